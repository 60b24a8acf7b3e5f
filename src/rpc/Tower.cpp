// Building and parsing ncacn_ip_tcp protocol towers.
#include "rpc/Tower.h"

#include "core/ByteReader.h"

namespace rpc {
namespace {

void Le16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void UuidFloor(std::vector<std::uint8_t>& out, const SyntaxId& id) {
    Le16(out, 19);  // protocol id, UUID, major version
    out.push_back(kFloorUuid);
    id.uuid.Write(out);
    Le16(out, id.major);
    Le16(out, 2);
    Le16(out, id.minor);
}

core::Error Bad(const char* text) { return core::Fail(core::ErrorKind::Corrupt, text); }

struct Floor {
    core::ByteReader lhs;
    core::ByteReader rhs;
};

}  // namespace

std::vector<std::uint8_t> BuildTower(const TcpTower& tower) {
    std::vector<std::uint8_t> out;
    Le16(out, 5);
    UuidFloor(out, tower.interface);
    UuidFloor(out, tower.transfer);
    Le16(out, 1);
    out.push_back(kFloorRpcConnectionOriented);
    Le16(out, 2);
    Le16(out, 0);  // minor version of the protocol
    Le16(out, 1);
    out.push_back(kFloorTcpPort);
    Le16(out, 2);
    out.push_back(static_cast<std::uint8_t>(tower.port >> 8));
    out.push_back(static_cast<std::uint8_t>(tower.port));
    Le16(out, 1);
    out.push_back(kFloorIpAddress);
    Le16(out, 4);
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(tower.address >> shift));
    return out;
}

core::Result<TcpTower> ParseTower(std::span<const std::uint8_t> bytes) {
    core::ByteReader in(bytes);
    const std::uint16_t count = in.Le16();
    if (in.Failed()) return Bad("tower truncated");
    if (count != 5) return Bad("not an ncacn_ip_tcp tower");
    std::vector<Floor> floors;
    for (std::uint16_t i = 0; i < count; ++i) {
        Floor f;
        f.lhs = in.Sub(in.Le16());
        f.rhs = in.Sub(in.Le16());
        if (in.Failed()) return Bad("tower floor beyond the tower");
        floors.push_back(f);
    }
    TcpTower tower;
    for (int i = 0; i < 2; ++i) {
        auto& f = floors[static_cast<std::size_t>(i)];
        if (f.lhs.Size() != 19 || f.lhs.U8() != kFloorUuid || f.rhs.Size() != 2) return Bad("bad UUID floor");
        SyntaxId& id = i == 0 ? tower.interface : tower.transfer;
        id.uuid = Uuid::Read(f.lhs);
        id.major = f.lhs.Le16();
        id.minor = f.rhs.Le16();
    }
    if (floors[2].lhs.Size() != 1 || floors[2].lhs.U8() != kFloorRpcConnectionOriented)
        return Bad("not a connection-oriented RPC tower");
    if (floors[3].lhs.Size() != 1 || floors[3].lhs.U8() != kFloorTcpPort || floors[3].rhs.Size() != 2)
        return Bad("not a TCP tower");
    tower.port = floors[3].rhs.Be16();
    if (floors[4].lhs.Size() != 1 || floors[4].lhs.U8() != kFloorIpAddress || floors[4].rhs.Size() != 4)
        return Bad("not an IP tower");
    tower.address = floors[4].rhs.Be32();
    return tower;
}

}  // namespace rpc

// Frame building for the statistics tests.
#include "stats/StatsFrames.h"

#include <arpa/inet.h>

#include <array>
#include <cstdio>
#include <stdexcept>

namespace stats::test {

namespace {

constexpr std::int64_t kStart = 1'700'000'000LL * 1'000'000'000LL;

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void PutMac(std::vector<std::uint8_t>& out, const std::string& text) {
    unsigned b[6];
    if (std::sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5]) != 6)
        throw std::invalid_argument(text);
    for (const unsigned v : b) out.push_back(static_cast<std::uint8_t>(v));
}

template <std::size_t N>
void PutIp(std::vector<std::uint8_t>& out, const std::string& text, int family) {
    std::array<std::uint8_t, N> bytes{};
    if (inet_pton(family, text.c_str(), bytes.data()) != 1) throw std::invalid_argument(text);
    out.insert(out.end(), bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> Transport(const FrameRecipe& s) {
    std::vector<std::uint8_t> t;
    Put16(t, s.sourcePort);
    Put16(t, s.destinationPort);
    if (s.transport == 6) {
        t.insert(t.end(), 8, 0);  // sequence and acknowledgement numbers
        t.push_back(0x50);        // 20-byte header
        t.push_back(0x18);
        Put16(t, 0xFFFF);
        Put16(t, 0);
        Put16(t, 0);
    } else if (s.transport == 17) {
        Put16(t, 8 + s.padding);
        Put16(t, 0);
    } else {
        t.resize(8, 0);  // an ICMP echo's first bytes, ports aside
        t[0] = s.transport == 58 ? 128 : 8;
    }
    t.insert(t.end(), s.padding, 0);
    return t;
}

}  // namespace

capture::CPktSnapQue BuildFrame(const FrameRecipe& s) {
    std::vector<std::uint8_t> bytes;
    PutMac(bytes, s.macDestination);
    PutMac(bytes, s.macSource);
    const bool v6 = s.ipSource.find(':') != std::string::npos;
    if (s.ipSource.empty()) {
        Put16(bytes, 0x0806);
        const std::uint8_t arp[] = {0, 1, 8, 0, 6, 4, 0, 1};
        bytes.insert(bytes.end(), std::begin(arp), std::end(arp));
        bytes.resize(bytes.size() + 20, 0);
    } else if (v6) {
        const auto payload = Transport(s);
        Put16(bytes, 0x86DD);
        const std::uint8_t fixed[] = {0x60, 0, 0, 0};
        bytes.insert(bytes.end(), std::begin(fixed), std::end(fixed));
        Put16(bytes, static_cast<std::uint32_t>(payload.size()));
        bytes.push_back(s.transport);
        bytes.push_back(64);
        PutIp<16>(bytes, s.ipSource, AF_INET6);
        PutIp<16>(bytes, s.ipDestination, AF_INET6);
        bytes.insert(bytes.end(), payload.begin(), payload.end());
    } else {
        const auto payload = Transport(s);
        Put16(bytes, 0x0800);
        bytes.push_back(0x45);
        bytes.push_back(0);
        Put16(bytes, static_cast<std::uint32_t>(20 + payload.size()));
        Put16(bytes, 0);
        Put16(bytes, 0);
        bytes.push_back(64);
        bytes.push_back(s.transport);
        Put16(bytes, 0);
        PutIp<4>(bytes, s.ipSource, AF_INET);
        PutIp<4>(bytes, s.ipDestination, AF_INET);
        bytes.insert(bytes.end(), payload.begin(), payload.end());
    }
    const auto wire = static_cast<std::uint32_t>(bytes.size());
    if (s.cutTo != 0 && s.cutTo < bytes.size()) bytes.resize(s.cutTo);

    capture::CPktSnapQue frame;
    frame.SetLinkProtocol(4);
    frame.SetTotalLength(wire);
    frame.SetCapturedLength(static_cast<std::uint32_t>(bytes.size()));
    frame.SetFrameNumber(s.number);
    const std::int64_t stamp = kStart + s.time;
    frame.SetStamp(stamp);
    frame.SetCaptureTime(static_cast<std::uint32_t>(stamp / kFrequency));
    frame.SetData(bytes);
    return frame;
}

}  // namespace stats::test

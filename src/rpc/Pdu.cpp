// Encoding and decoding of connection-oriented PDUs, and fragment reassembly.
#include "rpc/Pdu.h"

#include <algorithm>
#include <utility>

#include "rpc/Ndr.h"

namespace rpc {
namespace {

// alloc_hint is advice, never trusted for more than the call may hold: reserving is only
// address space until the fragments fill it, and a large reply is not grown by doubling.
constexpr std::size_t kMaxReserve = std::size_t{64} << 20;

void WriteHeader(NdrWriter& w, PduType type, std::uint8_t flags, std::uint32_t callId) {
    w.U8(5);
    w.U8(0);
    w.U8(static_cast<std::uint8_t>(type));
    w.U8(flags);
    w.Bytes(kLocalDrep);
    w.U16(0);  // frag_length, patched by Finish
    w.U16(0);  // auth_length: authentication level none adds nothing
    w.U32(callId);
}

std::vector<std::uint8_t> Finish(NdrWriter& w) {
    auto bytes = w.Take();
    const auto length = static_cast<std::uint16_t>(bytes.size());
    bytes[8] = static_cast<std::uint8_t>(length);
    bytes[9] = static_cast<std::uint8_t>(length >> 8);
    return bytes;
}

void WriteVersionWord(NdrWriter& w, const SyntaxId& s) {
    w.WriteUuid(s.uuid);
    w.U16(s.major);
    w.U16(s.minor);
}

core::Error Bad(std::string text) { return core::Fail(core::ErrorKind::Protocol, std::move(text)); }

// The stub region of a request or response: after the fixed part, before any auth
// trailer (auth padding, the 8-byte sec_trailer, then auth_length bytes).
core::Result<std::vector<std::uint8_t>> StubOf(std::span<const std::uint8_t> bytes, std::size_t start,
                                               const PduHeader& h) {
    std::size_t end = bytes.size();
    if (h.authLength != 0) {
        if (end < start + kSecTrailerSize + h.authLength) return Bad("auth data longer than the PDU");
        end -= kSecTrailerSize + h.authLength;
        const std::size_t authPad = bytes[end + 2];
        if (end < start + authPad) return Bad("auth padding longer than the stub");
        end -= authPad;
    }
    if (end < start) return Bad("PDU shorter than its fixed part");
    return std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                                     bytes.begin() + static_cast<std::ptrdiff_t>(end));
}

core::Result<Pdu> DecodeBody(std::span<const std::uint8_t> bytes, Pdu pdu) {
    NdrReader in(bytes, pdu.header.BigEndian());
    in.Bytes(kHeaderSize);
    switch (pdu.header.type) {
        case PduType::Bind:
        case PduType::AlterContext: {
            BindBody b;
            b.maxXmitFrag = in.U16();
            b.maxRecvFrag = in.U16();
            b.assocGroup = in.U32();
            const std::uint8_t count = in.U8();
            in.U8();
            in.U16();
            for (std::uint8_t i = 0; i < count && !in.Failed(); ++i) {
                ContextElement c;
                c.contextId = in.U16();
                const std::uint8_t syntaxes = in.U8();
                in.U8();
                c.abstractSyntax = in.ReadSyntax();
                for (std::uint8_t j = 0; j < syntaxes && !in.Failed(); ++j)
                    c.transferSyntaxes.push_back(in.ReadSyntax());
                b.contexts.push_back(std::move(c));
            }
            if (in.Failed()) return Bad("bind truncated");
            pdu.body = std::move(b);
            break;
        }
        case PduType::BindAck:
        case PduType::AlterContextResp: {
            BindAckBody b;
            b.maxXmitFrag = in.U16();
            b.maxRecvFrag = in.U16();
            b.assocGroup = in.U32();
            const std::uint16_t addrLength = in.U16();
            const auto addr = in.Bytes(addrLength);
            if (in.Failed()) return Bad("bind_ack truncated");
            for (auto c : addr) {
                if (c == 0) break;
                b.secondaryAddress += static_cast<char>(c);
            }
            in.Align(4);  // from the PDU start
            const std::uint8_t count = in.U8();
            in.U8();
            in.U16();
            for (std::uint8_t i = 0; i < count && !in.Failed(); ++i) {
                ContextResult r;
                r.result = in.U16();
                r.reason = in.U16();
                r.transferSyntax = in.ReadSyntax();
                b.results.push_back(r);
            }
            if (in.Failed()) return Bad("bind_ack truncated");
            pdu.body = std::move(b);
            break;
        }
        case PduType::BindNak: {
            BindNakBody b;
            b.rejectReason = in.U16();
            if (in.Failed()) return Bad("bind_nak truncated");
            // The supported-versions list is optional in practice; read what is there.
            if (in.Remaining() >= 1) {
                const std::uint8_t count = in.U8();
                for (std::uint8_t i = 0; i < count && in.Remaining() >= 2; ++i)
                    b.versions.push_back({in.U8(), in.U8()});
            }
            pdu.body = std::move(b);
            break;
        }
        case PduType::Request: {
            RequestBody b;
            b.allocHint = in.U32();
            b.contextId = in.U16();
            b.opnum = in.U16();
            if ((pdu.header.flags & kFlagObjectUuid) != 0) b.object = in.ReadUuid();
            if (in.Failed()) return Bad("request truncated");
            auto stub = StubOf(bytes, in.Offset(), pdu.header);
            if (!stub) return stub.Err();
            b.stub = std::move(stub).Value();
            pdu.body = std::move(b);
            break;
        }
        case PduType::Response: {
            ResponseBody b;
            b.allocHint = in.U32();
            b.contextId = in.U16();
            b.cancelCount = in.U8();
            in.U8();
            if (in.Failed()) return Bad("response truncated");
            auto stub = StubOf(bytes, in.Offset(), pdu.header);
            if (!stub) return stub.Err();
            b.stub = std::move(stub).Value();
            pdu.body = std::move(b);
            break;
        }
        case PduType::Fault: {
            FaultBody b;
            b.allocHint = in.U32();
            b.contextId = in.U16();
            b.cancelCount = in.U8();
            in.U8();
            b.status = in.U32();
            if (in.Failed()) return Bad("fault truncated");
            pdu.body = b;
            break;
        }
        default:
            break;
    }
    return pdu;
}

}  // namespace

core::Result<std::uint16_t> FragLengthOf(std::span<const std::uint8_t> header) {
    if (header.size() < kHeaderSize) return core::Fail(core::ErrorKind::Truncated, "PDU header truncated");
    // Connection-oriented DCE RPC is version 5, minor 0 or 1; peers of either minor speak
    // the same PDUs, so a 5.1 caller is answered rather than dropped.
    if (header[0] != 5 || header[1] > 1) return Bad("not a DCE RPC 5.0 or 5.1 PDU");
    const std::uint8_t intRep = header[4] & 0xF0;
    if (intRep != 0x00 && intRep != 0x10) return Bad("unknown integer representation");
    if ((header[4] & 0x0F) != 0) return Bad("EBCDIC character representation is not supported");
    const bool bigEndian = intRep == 0;
    const auto read16 = [&](std::size_t at) {
        return static_cast<std::uint16_t>(bigEndian ? (header[at] << 8) | header[at + 1]
                                                    : header[at] | (header[at + 1] << 8));
    };
    const std::uint16_t fragLength = read16(8);
    const std::uint16_t authLength = read16(10);
    if (fragLength < kHeaderSize) return Bad("frag_length shorter than the header");
    if (authLength != 0 && std::size_t{fragLength} < kHeaderSize + kSecTrailerSize + authLength)
        return Bad("auth_length beyond frag_length");
    return fragLength;
}

core::Result<Pdu> DecodePdu(std::span<const std::uint8_t> bytes) {
    auto length = FragLengthOf(bytes);
    if (!length) return length.Err();
    if (length.Value() != bytes.size()) return Bad("frag_length disagrees with the PDU's size");
    Pdu pdu;
    NdrReader in(bytes, (bytes[4] & 0xF0) == 0);
    pdu.header.version = in.U8();
    pdu.header.minorVersion = in.U8();
    pdu.header.type = static_cast<PduType>(in.U8());
    pdu.header.flags = in.U8();
    const auto drep = in.Bytes(4);
    std::copy(drep.begin(), drep.end(), pdu.header.drep.begin());
    pdu.header.fragLength = in.U16();
    pdu.header.authLength = in.U16();
    pdu.header.callId = in.U32();
    return DecodeBody(bytes, std::move(pdu));
}

std::vector<std::uint8_t> EncodeBind(std::uint32_t callId, const BindBody& body, PduType type) {
    NdrWriter w;
    WriteHeader(w, type, kFlagFirst | kFlagLast, callId);
    w.U16(body.maxXmitFrag);
    w.U16(body.maxRecvFrag);
    w.U32(body.assocGroup);
    w.U8(static_cast<std::uint8_t>(body.contexts.size()));
    w.U8(0);
    w.U16(0);
    for (const auto& c : body.contexts) {
        w.U16(c.contextId);
        w.U8(static_cast<std::uint8_t>(c.transferSyntaxes.size()));
        w.U8(0);
        WriteVersionWord(w, c.abstractSyntax);
        for (const auto& t : c.transferSyntaxes) WriteVersionWord(w, t);
    }
    return Finish(w);
}

std::vector<std::uint8_t> EncodeBindAck(std::uint32_t callId, const BindAckBody& body, PduType type) {
    NdrWriter w;
    WriteHeader(w, type, kFlagFirst | kFlagLast, callId);
    w.U16(body.maxXmitFrag);
    w.U16(body.maxRecvFrag);
    w.U32(body.assocGroup);
    // The secondary address (the port as text) counts its NUL; an empty one is length 0.
    if (body.secondaryAddress.empty()) {
        w.U16(0);
    } else {
        w.U16(static_cast<std::uint16_t>(body.secondaryAddress.size() + 1));
        for (char c : body.secondaryAddress) w.U8(static_cast<std::uint8_t>(c));
        w.U8(0);
    }
    w.Align(4);
    w.U8(static_cast<std::uint8_t>(body.results.size()));
    w.U8(0);
    w.U16(0);
    for (const auto& r : body.results) {
        w.U16(r.result);
        w.U16(r.reason);
        WriteVersionWord(w, r.transferSyntax);
    }
    return Finish(w);
}

std::vector<std::uint8_t> EncodeBindNak(std::uint32_t callId, const BindNakBody& body) {
    NdrWriter w;
    WriteHeader(w, PduType::BindNak, kFlagFirst | kFlagLast, callId);
    w.U16(body.rejectReason);
    w.U8(static_cast<std::uint8_t>(body.versions.size()));
    for (const auto& v : body.versions) {
        w.U8(v[0]);
        w.U8(v[1]);
    }
    return Finish(w);
}

std::vector<std::uint8_t> EncodeShutdown() {
    NdrWriter w;
    WriteHeader(w, PduType::Shutdown, kFlagFirst | kFlagLast, 0);
    return Finish(w);
}

std::vector<std::uint8_t> EncodeFault(std::uint32_t callId, std::uint16_t contextId, std::uint32_t status,
                                      std::uint8_t extraFlags) {
    NdrWriter w;
    WriteHeader(w, PduType::Fault, kFlagFirst | kFlagLast | extraFlags, callId);
    w.U32(0);
    w.U16(contextId);
    w.U8(0);
    w.U8(0);
    w.U32(status);
    w.U32(0);
    return Finish(w);
}

std::vector<std::uint8_t> EncodeRequest(std::uint32_t callId, std::uint8_t flags, const RequestBody& body) {
    NdrWriter w;
    WriteHeader(w, PduType::Request, flags, callId);
    w.U32(body.allocHint);
    w.U16(body.contextId);
    w.U16(body.opnum);
    if ((flags & kFlagObjectUuid) != 0) w.WriteUuid(body.object);
    w.Bytes(body.stub);
    return Finish(w);
}

std::vector<std::uint8_t> EncodeResponse(std::uint32_t callId, std::uint8_t flags, std::uint32_t allocHint,
                                         std::uint16_t contextId, std::span<const std::uint8_t> stub) {
    NdrWriter w;
    WriteHeader(w, PduType::Response, flags, callId);
    w.U32(allocHint);
    w.U16(contextId);
    w.U8(0);
    w.U8(0);
    w.Bytes(stub);
    return Finish(w);
}

namespace {

// Stub bytes per non-last fragment: what fits after the 24-byte header, down to a multiple of 8.
std::size_t StubPerFragment(std::uint16_t maxFrag) {
    const std::size_t room = maxFrag > kRequestHeaderSize ? maxFrag - kRequestHeaderSize : 0;
    return std::max<std::size_t>(8, room / 8 * 8);
}

template <class EncodeOne>
std::vector<std::vector<std::uint8_t>> Split(std::span<const std::uint8_t> stub, std::uint16_t maxFrag,
                                             EncodeOne encode) {
    std::vector<std::vector<std::uint8_t>> out;
    const std::size_t per = StubPerFragment(maxFrag);
    std::size_t at = 0;
    do {
        const std::size_t take = std::min(per, stub.size() - at);
        std::uint8_t flags = 0;
        if (at == 0) flags |= kFlagFirst;
        if (at + take == stub.size()) flags |= kFlagLast;
        out.push_back(encode(flags, static_cast<std::uint32_t>(stub.size() - at), stub.subspan(at, take)));
        at += take;
    } while (at < stub.size());
    return out;
}

}  // namespace

std::vector<std::vector<std::uint8_t>> EncodeRequestFragments(std::uint32_t callId, std::uint16_t contextId,
                                                              std::uint16_t opnum, std::span<const std::uint8_t> stub,
                                                              std::uint16_t maxFrag) {
    return Split(stub, maxFrag, [&](std::uint8_t flags, std::uint32_t hint, std::span<const std::uint8_t> part) {
        RequestBody body;
        body.allocHint = hint;
        body.contextId = contextId;
        body.opnum = opnum;
        body.stub.assign(part.begin(), part.end());
        return EncodeRequest(callId, flags, body);
    });
}

std::vector<ResponseFragment> PlanResponseFragments(std::uint32_t callId, std::uint16_t contextId, std::size_t stubSize,
                                                    std::uint16_t maxFrag) {
    std::vector<ResponseFragment> plan;
    const std::size_t per = StubPerFragment(maxFrag);
    plan.reserve(stubSize / per + 1);
    std::size_t at = 0;
    do {
        const std::size_t take = std::min(per, stubSize - at);
        std::uint8_t flags = 0;
        if (at == 0) flags |= kFlagFirst;
        if (at + take == stubSize) flags |= kFlagLast;
        ResponseFragment f;
        const auto header = EncodeResponse(callId, flags, static_cast<std::uint32_t>(stubSize - at), contextId, {});
        std::copy(header.begin(), header.end(), f.header.begin());
        const auto length = static_cast<std::uint16_t>(header.size() + take);
        f.header[8] = static_cast<std::uint8_t>(length);
        f.header[9] = static_cast<std::uint8_t>(length >> 8);
        f.offset = at;
        f.length = take;
        plan.push_back(f);
        at += take;
    } while (at < stubSize);
    return plan;
}

std::vector<std::vector<std::uint8_t>> EncodeResponseFragments(std::uint32_t callId, std::uint16_t contextId,
                                                               std::span<const std::uint8_t> stub,
                                                               std::uint16_t maxFrag) {
    std::vector<std::vector<std::uint8_t>> out;
    for (const auto& f : PlanResponseFragments(callId, contextId, stub.size(), maxFrag))
        out.push_back(JoinFragment(f, stub));
    return out;
}

std::vector<std::uint8_t> JoinFragment(const ResponseFragment& fragment, std::span<const std::uint8_t> stub) {
    std::vector<std::uint8_t> pdu(fragment.header.begin(), fragment.header.end());
    const auto part = stub.subspan(fragment.offset, fragment.length);
    pdu.insert(pdu.end(), part.begin(), part.end());
    return pdu;
}

core::Result<bool> Reassembler::Add(Pdu&& fragment) {
    const PduHeader& h = fragment.header;
    std::vector<std::uint8_t>* stub = nullptr;
    std::uint32_t allocHint = 0;
    std::uint16_t contextId = 0;
    std::uint16_t opnum = 0;
    if (auto* req = std::get_if<RequestBody>(&fragment.body)) {
        stub = &req->stub;
        allocHint = req->allocHint;
        contextId = req->contextId;
        opnum = req->opnum;
    } else if (auto* resp = std::get_if<ResponseBody>(&fragment.body)) {
        stub = &resp->stub;
        allocHint = resp->allocHint;
        contextId = resp->contextId;
    } else {
        return Bad("not a request or response fragment");
    }
    const bool first = (h.flags & kFlagFirst) != 0;
    if (!m_started) {
        if (!first) return Bad("first fragment lacks the FIRST flag");
        m_started = true;
        m_first = h;
        m_contextId = contextId;
        m_opnum = opnum;
        m_stub.reserve(std::min<std::size_t>({allocHint, m_maxStub, kMaxReserve}));
    } else {
        if (first) return Bad("FIRST flag in the middle of a call");
        if (h.type != m_first.type || h.callId != m_first.callId) return Bad("fragment of another call");
        if (contextId != m_contextId || opnum != m_opnum) return Bad("fragment changes context or opnum");
        if (h.BigEndian() != m_first.BigEndian()) return Bad("fragment changes data representation");
    }
    if (stub->size() > m_maxStub - m_stub.size())
        return core::Fail(core::ErrorKind::Corrupt, "call data larger than allowed");
    m_stub.insert(m_stub.end(), stub->begin(), stub->end());
    return (h.flags & kFlagLast) != 0;
}

std::vector<std::uint8_t> Reassembler::TakeStub() {
    m_started = false;
    return std::move(m_stub);
}

}  // namespace rpc

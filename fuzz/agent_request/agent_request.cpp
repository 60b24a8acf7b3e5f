// Fuzz target: bytes as a client's stream to the agent, cut into PDUs by frag_length and
// handed to one server session serving the capture interface and the endpoint mapper.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "agentd/AgentCalls.h"
#include "agentd/EndpointMapper.h"
#include "agentd/PduFramer.h"
#include "agentd/RpcServerSession.h"

namespace {

// Snappers start on a source that has nothing to give, so every run is deterministic.
class EmptySource final : public agentd::FrameSource {
public:
    Outcome Next(agentd::SourceFrame&) override { return Outcome::End; }
    std::int64_t Frequency() const noexcept override { return 1'000'000; }
    bool Lossless() const noexcept override { return true; }
};

agentd::AgentService& Service() {
    static agentd::AgentService service([] {
        agentd::AgentConfig config;
        config.sources = [](const capture::CPktSnapConf&) -> core::Result<std::unique_ptr<agentd::FrameSource>> {
            return std::unique_ptr<agentd::FrameSource>(std::make_unique<EmptySource>());
        };
        config.snappers.maxSnappers = 4;
        return config;
    }());
    return service;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    agentd::AgentCalls calls(Service(), agentd::Caller{1, 0x7F000001, 40000, nullptr});
    agentd::EndpointMapper mapper(49152, 0x7F000001);
    static agentd::AssociationGroups groups;
    agentd::RpcServerSession session({&calls, &mapper}, "49152", {}, groups);
    agentd::PduFramer framer(session.MaxRecvFrag());
    framer.Append(std::span<const std::uint8_t>(data, size));
    for (;;) {
        auto pdu = framer.Next();
        if (!pdu || pdu.Value().empty()) break;
        if (session.Handle(pdu.Value()).close) break;
    }
    return 0;
}

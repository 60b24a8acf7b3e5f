// Loading a received capture configuration.
#include "AgentService.h"

#include "core/Archive.h"

namespace agentd {

core::Result<capture::CPktSnapConf> LoadCaptureConfiguration(std::span<const std::uint8_t> bytes) {
    capture::CPktSnapConf conf;
    try {
        core::Archive schema(bytes);
        if (schema.ReadU32() != core::kSchema)
            return core::Fail(core::ErrorKind::Unsupported, "capture configuration schema is not 1");
        core::Archive ar(bytes);
        conf.Serialize(ar);
        if (ar.Remaining() != 0)
            return core::Fail(core::ErrorKind::Corrupt, "capture configuration has trailing bytes");
    } catch (const core::ArchiveException& e) {
        return core::Fail(core::ErrorKind::Truncated, std::string("capture configuration: ") + e.what());
    }
    return conf;
}

}  // namespace agentd

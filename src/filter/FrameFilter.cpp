// Filter expressions compiled with libpcap for each link type.
#include "filter/FrameFilter.h"

#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "capture/LinkCodes.h"
#include "capture/PcapExport.h"
#include "capture/PcapLinkTypes.h"

namespace filter {

namespace {

// The link codes a trace file holds frames under; raw IPv4 and IPv6 share DLT_RAW.
constexpr std::uint32_t kLinkCodes[] = {capture::kLinkEthernet, capture::kLinkLinuxSll, capture::kLinkLinuxSll2,
                                        capture::kLinkIpv4, capture::kLinkIpv6};

// pcap_compile keeps its parser's state in globals in the libpcaps that some systems still
// ship: one compilation at a time in this process.
std::mutex& CompileMutex() {
    static std::mutex mutex;
    return mutex;
}

struct Compiled {
    std::shared_ptr<const bpf_program> program;
    std::string error;
};

Compiled CompileFor(int linkType, const std::string& expression) {
    Compiled out;
    const std::lock_guard lock(CompileMutex());
    pcap_t* dead = pcap_open_dead(linkType, static_cast<int>(capture::kPcapSnapLength));
    if (dead == nullptr) {
        out.error = "libpcap could not open a handle for the link type";
        return out;
    }
    auto program = std::make_unique<bpf_program>();
    if (pcap_compile(dead, program.get(), expression.c_str(), 1, PCAP_NETMASK_UNKNOWN) != 0) {
        out.error = pcap_geterr(dead);
    } else {
        out.program = std::shared_ptr<const bpf_program>(program.release(), [](const bpf_program* p) {
            pcap_freecode(const_cast<bpf_program*>(p));  // NOLINT(cppcoreguidelines-pro-type-const-cast)
            delete p;                                    // NOLINT(cppcoreguidelines-owning-memory)
        });
    }
    pcap_close(dead);
    return out;
}

}  // namespace

core::Result<FrameFilter> FrameFilter::Compile(const std::string& expression) {
    FrameFilter filter;
    filter.m_expression = expression;
    // One compilation per pcap link type, shared by the codes stored under it.
    std::vector<std::pair<int, Compiled>> byLinkType;
    std::optional<std::string> firstError;
    bool any = false;
    for (const std::uint32_t code : kLinkCodes) {
        const int linkType = *capture::PcapLinkTypeOf(code);
        const Compiled* compiled = nullptr;
        for (const auto& [type, done] : byLinkType)
            if (type == linkType) compiled = &done;
        if (compiled == nullptr) compiled = &byLinkType.emplace_back(linkType, CompileFor(linkType, expression)).second;
        if (compiled->program) {
            filter.m_programs[code] = compiled->program;
            any = true;
        } else if (!firstError) {
            firstError = compiled->error;
        }
    }
    if (!any)
        return core::Fail(core::ErrorKind::Unsupported,
                          firstError.value_or("the expression compiles for no link type"));
    return filter;
}

bool FrameFilter::Applies(std::uint32_t linkCode) const noexcept {
    return linkCode < kCodes && m_programs[linkCode] != nullptr;
}

bool FrameFilter::Matches(const capture::CPktSnapQue& frame) const noexcept {
    const std::uint32_t code = frame.GetLinkProtocol();
    if (!Applies(code)) return false;
    pcap_pkthdr head{};
    const auto data = frame.GetData();
    head.caplen = static_cast<bpf_u_int32>(data.size());
    head.len = frame.GetTotalLength() < head.caplen ? head.caplen : frame.GetTotalLength();
    return pcap_offline_filter(m_programs[code].get(), &head, data.data()) != 0;
}

}  // namespace filter

// Frame step: capture time, delta, lengths and number of the frame record.
#include "decode/CPktFrameParser.h"

#include <array>
#include <ctime>

#include "core/Printf.h"
#include "decode/TextAppend.h"

namespace decode {

namespace {

constexpr std::string_view kPrefix = "FRAME: ";

// The capture time in local time, as the locale writes a date and a time.
std::string LocalTimeText(std::uint32_t seconds) {
    const auto when = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (localtime_r(&when, &parts) == nullptr) return {};
    std::array<char, 128> buf{};
    // The locale's own date, two-digit year and all where the locale writes one that way.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-y2k"
    const std::size_t n = std::strftime(buf.data(), buf.size(), "%x %X", &parts);
#pragma GCC diagnostic pop
    return std::string(buf.data(), n);
}

}  // namespace

ProtoCode CPktFrameParser::Parse(const capture::CPktSnapQue* frame, CPktDetailLine* root, float deltaMs) const {
    if (frame == nullptr) return PROTO_NONE;
    if (root == nullptr) return frame->GetLinkProtocol();
    CPktDetailLine& top = root->Add(kPrefix, " Base frame properties", frame->GetData());
    top.Add(kPrefix, " Time of capture = " + LocalTimeText(frame->GetCaptureTime()));
    top.Add(kPrefix, core::Printf(" Time delta from previous frame = %.0f milliseconds", static_cast<double>(deltaMs)));
    top.Add(kPrefix, core::Printf(" Capture frame length = %u bytes", frame->GetCapturedLength()));
    top.Add(kPrefix, core::Printf(" Frame number = %u", frame->GetFrameNumber()));
    top.Add(kPrefix, core::Printf(" Total frame length = %u bytes", frame->GetTotalLength()));
    top.Add(kPrefix, core::Printf(" Number of data bytes remaining = %u bytes", frame->GetCapturedLength()));
    return frame->GetLinkProtocol();
}

}  // namespace decode

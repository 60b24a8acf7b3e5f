// Profile texts for palomet-cli.
#include "cli/ProfileText.h"

#include "cli/Output.h"
#include "profiles/ProfileForm.h"

namespace cli {

namespace {

using profiles::CSessionProfile;

template <std::size_t N>
std::string TextAt(const std::array<std::string_view, N>& texts, std::int32_t index) {
    if (index >= 0 && static_cast<std::size_t>(index) < N) return std::string(texts[static_cast<std::size_t>(index)]);
    return "(" + std::to_string(index) + ")";
}

}  // namespace

std::string LimitModeText(const CSessionProfile& p) { return TextAt(profiles::kLimitModeTexts, p.limitMode); }

std::string SizeLimitText(const CSessionProfile& p) {
    if (!profiles::LimitControlsFor(p.limitMode).size || p.sizeValue == 0) return "none";
    return std::to_string(p.sizeValue) + " " + TextAt(profiles::kSizeUnitTexts, p.sizeUnit);
}

std::string TimeLimitText(const CSessionProfile& p) {
    if (!profiles::LimitControlsFor(p.limitMode).time || p.timeValue == 0) return "none";
    return std::to_string(p.timeValue) + " " + TextAt(profiles::kTimeUnitTexts, p.timeUnit);
}

std::string FilterTypeText(const CSessionProfile& p) {
    const std::uint32_t type = p.captureConfiguration.filterType;
    return type < profiles::kFilterTypeTexts.size() ? std::string(profiles::kFilterTypeTexts[type]) : "(none)";
}

std::string LayersText(const CSessionProfile& p) {
    std::string text;
    for (const auto& layer : profiles::kCaptureLayers) {
        if (p.captureConfiguration.*layer.flag == 0) continue;
        if (!text.empty()) text += ",";
        text += layer.keyword;
    }
    return text.empty() ? "none" : text;
}

std::vector<std::pair<std::string, std::string>> ProfileLines(const std::string& name, const CSessionProfile& p) {
    return {{"Profile name", name},
            {"Server address", p.serverAddress},
            {"Server queue length", std::to_string(p.serverQueueLength)},
            {"Save to file", p.traceFile},
            {"Trace file constraints", LimitModeText(p)},
            {"Trace file size", SizeLimitText(p)},
            {"Time limit", TimeLimitText(p)},
            {"Filter type", FilterTypeText(p)},
            {"Layers", LayersText(p)}};
}

std::string ProfileJson(const std::string& name, const CSessionProfile& p) {
    const auto q = [](std::string_view s) { return Output::JsonQuote(s); };
    std::string layers;
    for (const auto& layer : profiles::kCaptureLayers)
        if (p.captureConfiguration.*layer.flag != 0)
            layers += std::string(layers.empty() ? "" : ", ") + q(layer.keyword);
    return "{\"name\": " + q(name) + ", \"serverAddress\": " + q(p.serverAddress) +
           ", \"serverQueueLength\": " + std::to_string(p.serverQueueLength) + ", \"traceFile\": " + q(p.traceFile) +
           ", \"limitMode\": " + std::to_string(p.limitMode) + ", \"sizeValue\": " + std::to_string(p.sizeValue) +
           ", \"sizeUnit\": " + q(TextAt(profiles::kSizeUnitTexts, p.sizeUnit)) +
           ", \"timeValue\": " + std::to_string(p.timeValue) +
           ", \"timeUnit\": " + q(TextAt(profiles::kTimeUnitTexts, p.timeUnit)) +
           ", \"filterType\": " + q(FilterTypeText(p)) + ", \"layers\": [" + layers + "]}";
}

}  // namespace cli

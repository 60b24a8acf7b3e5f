// Frame selection for the trace commands.
#include "cli/FrameSelection.h"

namespace cli {

void AddSelectionOptions(CLI::App* command, SelectionOptions& options, bool withFind) {
    command->add_option("--filter", options.filter,
                        "Only the frames a capture-filter expression matches (tcpdump's syntax: 'udp port 53')");
    if (!withFind) return;
    auto* contains = command->add_option("--contains", options.contains,
                                         "Only the frames whose summary holds TEXT (letter case ignored)");
    command->add_flag("--in-detail", options.inDetail, "--contains searches the whole decoded detail instead")
        ->needs(contains);
}

std::optional<FrameSelection> FrameSelection::Make(const SelectionOptions& options, std::ostream& err) {
    FrameSelection selection;
    if (options.filter) {
        auto compiled = filter::FrameFilter::Compile(*options.filter);
        if (!compiled) {
            err << "Bad filter expression \"" << *options.filter << "\": " << compiled.Err().text << '\n';
            return std::nullopt;
        }
        selection.m_filter = std::move(compiled).Value();
    }
    if (options.contains)
        selection.m_find = std::make_unique<packetlist::TextFind>(
            *options.contains, options.inDetail ? packetlist::FindIn::Detail : packetlist::FindIn::Summary);
    return selection;
}

bool FrameSelection::Selects(const capture::CPktSnap& batch, std::uint32_t i, std::uint32_t level) {
    if (!Passes(batch.GetFrame(i))) return false;
    return !m_find || m_find->Matches(batch, i, level);
}

bool FrameSelection::Finds(const capture::CPktSnap& batch, std::uint32_t i, std::uint32_t level,
                           const decode::CPktSummary& row) {
    if (!m_find) return true;
    return m_find->Where() == packetlist::FindIn::Summary ? m_find->MatchesSummary(row)
                                                          : m_find->Matches(batch, i, level);
}

}  // namespace cli

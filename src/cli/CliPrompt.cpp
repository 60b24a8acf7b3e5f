// Prompt for the command line.
#include "cli/CliPrompt.h"

#include <ostream>

namespace cli {

CliPrompt::CliPrompt(std::ostream& out) : m_out(out) {}

core::PromptAnswer CliPrompt::Show(std::string_view text, core::PromptIcon /*icon*/, core::PromptButtons buttons) {
    m_out << text;
    if (text.empty() || text.back() != '\n') m_out << '\n';
    m_out.flush();
    switch (buttons) {
        case core::PromptButtons::YesNo:
            return core::PromptAnswer::No;
        case core::PromptButtons::OkCancel:
            return core::PromptAnswer::Cancel;
        case core::PromptButtons::Ok:
            break;
    }
    return core::PromptAnswer::Ok;
}

}  // namespace cli

// The command line's way of telling the user something: the message on stderr, one line.
// Questions get the cautious answer, since nobody is there to ask.
#pragma once

#include <iosfwd>

#include "core/UserPrompt.h"

namespace cli {

class CliPrompt final : public core::UserPrompt {
public:
    explicit CliPrompt(std::ostream& out);
    core::PromptAnswer Show(std::string_view text, core::PromptIcon icon, core::PromptButtons buttons) override;

private:
    std::ostream& m_out;
};

}  // namespace cli

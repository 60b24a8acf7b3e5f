// Everything the user is told in a message box goes through this interface, so the rules
// that decide what to say can run without a display: the workbench shows a message box,
// the command line prints to stderr, tests record what was said.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace core {

enum class PromptIcon { None, Exclamation, Information, Question, Stop };
enum class PromptButtons { Ok, OkCancel, YesNo };
enum class PromptAnswer { Ok, Cancel, Yes, No };

class UserPrompt {
public:
    virtual ~UserPrompt() = default;
    virtual PromptAnswer Show(std::string_view text, PromptIcon icon, PromptButtons buttons) = 0;
    PromptAnswer Tell(std::string_view text, PromptIcon icon = PromptIcon::None) {
        return Show(text, icon, PromptButtons::Ok);
    }
};

// Keeps every message and answers with a fixed reply; for tests and for callers that
// collect messages to report them later.
class RecordingPrompt final : public UserPrompt {
public:
    struct Message {
        std::string text;
        PromptIcon icon;
        PromptButtons buttons;
    };
    explicit RecordingPrompt(PromptAnswer reply = PromptAnswer::Ok) : m_reply(reply) {}
    PromptAnswer Show(std::string_view text, PromptIcon icon, PromptButtons buttons) override {
        m_messages.push_back({std::string(text), icon, buttons});
        return m_reply;
    }
    const std::vector<Message>& Messages() const noexcept { return m_messages; }
    void Clear() { m_messages.clear(); }

private:
    PromptAnswer m_reply;
    std::vector<Message> m_messages;
};

// Wait cursor while long work runs; the workbench shows one, everything else ignores it.
class WaitCursor {
public:
    virtual ~WaitCursor() = default;
    virtual void Begin() {}
    virtual void End() {}
};

}  // namespace core

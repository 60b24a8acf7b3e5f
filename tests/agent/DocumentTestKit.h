// What the application lends a capture document, with fakes where a test needs to steer or
// watch: the service check, the user's answers, the wait cursor and the services dialog.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "agent/CKestroDoc.h"
#include "agent/DocumentContext.h"
#include "agent/InProcessAgent.h"
#include "agentd/AgentTestUtil.h"
#include "capture/TraceTestUtil.h"

namespace agent::test {

class FakeServiceCheck final : public services::AgentServiceCheck {
public:
    std::uint32_t ServiceExists(const std::string& host, std::string_view service) override {
        asked.push_back(host + " " + std::string(service));
        return exists;
    }
    std::uint32_t IsServiceRunning(const std::string&, std::string_view) override { return running; }
    std::uint32_t exists = 0;
    std::uint32_t running = 0;
    std::vector<std::string> asked;
};

class CountingCursor final : public core::WaitCursor {
public:
    void Begin() override { ++begun; }
    void End() override { ++ended; }
    int begun = 0;
    int ended = 0;
};

// One application: its binding table and open-trace list, shared by the documents it makes.
struct TestApp {
    explicit TestApp(std::uint16_t epmPort, core::PromptAnswer answer = core::PromptAnswer::Ok) : prompt(answer) {
        context.epmPort = epmPort;
        context.callTimeout = std::chrono::seconds(10);
    }
    std::unique_ptr<CKestroDoc> Open(const std::string& server, const std::string& traceFile, bool saved = false) {
        auto profile = std::make_unique<profiles::CSessionProfile>();
        profile->serverAddress = server;
        profile->traceFile = traceFile;
        profile->dumpFile = saved ? 1 : 0;
        auto doc = std::make_unique<CKestroDoc>(context);
        if (!doc->OnNewDocument(std::move(profile))) return nullptr;
        return doc;
    }
    std::vector<std::string> Said() const {
        std::vector<std::string> out;
        for (const auto& m : prompt.Messages()) out.push_back(m.text);
        return out;
    }

    AgentBindingTable bindings;
    OpenTraceList openTraces;
    FakeServiceCheck services;
    core::RecordingPrompt prompt;
    CountingCursor cursor;
    std::vector<std::string> dialogs;
    DocumentContext context{bindings, openTraces, services, prompt, cursor,
                            [this](const std::string& host, std::string_view service) {
                                dialogs.push_back(host + " " + std::string(service));
                            }};
};

}  // namespace agent::test

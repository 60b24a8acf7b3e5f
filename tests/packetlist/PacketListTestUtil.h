// A packet list driven as its window drives it, with everything it says recorded.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/UserPrompt.h"
#include "packetlist/CKestroView.h"

namespace testutil {

inline const std::string kSampleTrace = std::string(PALOMET_SOURCE_DIR) + "/samples/sample.tns";

struct ViewEvents final : packetlist::CKestroView::Listener {
    int fills = 0;
    int retexts = 0;
    std::vector<std::optional<std::uint32_t>> selected;
    std::vector<bool> buttons;
    void ListFilled() override { ++fills; }
    void RowsRetexted() override { ++retexts; }
    void RowSelected(std::optional<std::uint32_t> row) override { selected.push_back(row); }
    void PauseButton(bool pressed) override { buttons.push_back(pressed); }
};

struct CountingWait final : core::WaitCursor {
    int begun = 0;
    int ended = 0;
    void Begin() override { ++begun; }
    void End() override { ++ended; }
};

// The counts a capture thread would publish, set by the test.
struct FakeCapture final : packetlist::CaptureLink {
    packetlist::CaptureCounts counts;
    int toggles = 0;
    packetlist::CaptureCounts Counts() const override { return counts; }
    void RequestPauseToggle() override { ++toggles; }
};

// Queues what it is given, for the test to run when it likes; with an ahead queue it loads
// the blocks beside the screen ahead, into that one.
struct DeferredLoader final : packetlist::BlockLoader {
    using Jobs = std::vector<std::pair<std::function<void()>, std::function<void()>>>;
    Jobs* jobs = nullptr;
    Jobs* ahead = nullptr;
    // A loader that queues its loads on `jobs`, and loads ahead on `ahead` when given.
    static std::unique_ptr<DeferredLoader> Over(Jobs& jobs, Jobs* ahead = nullptr) {
        auto loader = std::make_unique<DeferredLoader>();
        loader->jobs = &jobs;
        loader->ahead = ahead;
        return loader;
    }
    void Run(std::function<void()> work, std::function<void()> done) override {
        jobs->emplace_back(std::move(work), std::move(done));
    }
    bool LoadsAhead() const noexcept override { return ahead != nullptr; }
    void RunAhead(std::function<void()> work, std::function<void()> done) override {
        ahead->emplace_back(std::move(work), std::move(done));
    }
    // Runs the jobs queued so far, not those they queue.
    static void RunQueued(Jobs& queue) {
        Jobs now;
        now.swap(queue);
        for (auto& [work, done] : now) {
            work();
            done();
        }
    }
};

// Loads in place, the blocks beside the screen too.
struct InlineLoaderAhead final : packetlist::BlockLoader {
    void Run(std::function<void()> work, std::function<void()> done) override {
        work();
        done();
    }
    bool LoadsAhead() const noexcept override { return true; }
};

struct ViewUnderTest {
    core::RecordingPrompt prompt;
    CountingWait wait;
    ViewEvents events;
    std::unique_ptr<packetlist::CKestroView> view;

    explicit ViewUnderTest(const std::string& path, core::PromptAnswer reply = core::PromptAnswer::Ok,
                           std::unique_ptr<packetlist::BlockLoader> loader = nullptr)
        : prompt(reply),
          view(packetlist::CKestroView::Open(path, prompt, wait, std::move(loader))) {
        if (view) view->SetListener(&events);
    }
    // A saved trace, as a window opened on it shows it.
    static std::unique_ptr<ViewUnderTest> Saved(const std::string& path,
                                                std::unique_ptr<packetlist::BlockLoader> loader = nullptr) {
        auto v = std::make_unique<ViewUnderTest>(path, core::PromptAnswer::Ok, std::move(loader));
        EXPECT_TRUE(v->view);
        if (v->view) v->view->InitialUpdateSaved();
        return v;
    }
    std::string LastMessage() const { return prompt.Messages().empty() ? "" : prompt.Messages().back().text; }
};

}  // namespace testutil

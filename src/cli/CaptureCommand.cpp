// palomet-cli capture: one live capture window without the window. The same document opens
// the session and the same capture thread writes the trace; this side shows progress on a
// terminal and ends the capture on Ctrl-C, the limits or the frame target.
#include "cli/CaptureCommand.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <map>
#include <mutex>

#include "cli/AgentContext.h"
#include "cli/CliPrompt.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "core/DisplayText.h"
#include "platform/LetterCase.h"
#include "profiles/ProfileStore.h"
#include "session/CKestroDoc.h"
#include "session/CaptureThread.h"

namespace cli {

namespace {

constexpr auto kProgressEvery = std::chrono::milliseconds(250);
// After Ctrl-C the call in flight gets this long to answer (a responsive agent hands over its
// last frames well within it); a hung agent's call is then cancelled and the file finished.
constexpr auto kInterruptGrace = std::chrono::milliseconds(1000);

std::atomic<bool> g_interrupted{false};
extern "C" void OnInterrupt(int) { g_interrupted.store(true); }

// Ctrl-C and SIGTERM end the capture in order while this object lives.
class InterruptScope {
public:
    InterruptScope() {
        g_interrupted = false;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigaction(SIGINT, &action, &m_int);
        sigaction(SIGTERM, &action, &m_term);
    }
    ~InterruptScope() {
        sigaction(SIGINT, &m_int, nullptr);
        sigaction(SIGTERM, &m_term, nullptr);
    }
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

private:
    struct sigaction m_int {};
    struct sigaction m_term {};
};

// The live line on a terminal and the capture thread's messages share stderr.
class Terminal {
public:
    Terminal() : m_live(::isatty(STDERR_FILENO) == 1) {}
    void Progress(const session::CaptureThread& thread, double seconds) {
        if (!m_live) return;
        const double mb = thread.EndOffset() / 1e6;
        std::scoped_lock lock(m_mutex);
        std::fprintf(stderr, "\rcapture: %u frames, %u blocks, %.1f MB, %.1f MB/s", thread.FrameCount(),
                     thread.BlockCount(), mb, seconds > 0 ? mb / seconds : 0.0);
        if (const std::uint64_t lost = thread.FramesLost(); lost > 0)
            std::fprintf(stderr, ", %llu lost", static_cast<unsigned long long>(lost));
        std::fputs("  ", stderr);
        m_lineOpen = true;
    }
    void Say(const std::string& text) {
        std::scoped_lock lock(m_mutex);
        EndLine();
        std::cerr << text;
        if (text.empty() || text.back() != '\n') std::cerr << '\n';
        std::cerr.flush();
    }
    void Done() {
        std::scoped_lock lock(m_mutex);
        EndLine();
    }

private:
    void EndLine() {
        if (m_lineOpen) std::fputc('\n', stderr);
        m_lineOpen = false;
    }
    std::mutex m_mutex;
    bool m_live;
    bool m_lineOpen = false;
};

bool ParseSizeLimit(const std::string& text, profiles::CSessionProfile& profile) {
    std::string upper = platform::AsciiUppered(text);
    std::int32_t unit = profiles::CSessionProfile::kBytes;
    for (const auto& [suffix, code] : {std::pair{"KB", profiles::CSessionProfile::kKilobytes},
                                       std::pair{"MB", profiles::CSessionProfile::kMegabytes}}) {
        if (upper.size() > 2 && upper.ends_with(suffix)) {
            unit = code;
            upper.resize(upper.size() - 2);
        }
    }
    if (upper.empty() || upper.size() > 10 ||
        !std::all_of(upper.begin(), upper.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return false;
    const long long value = std::stoll(upper);
    if (value <= 0 || value > 0x7FFFFFFF) return false;
    profile.sizeUnit = unit;
    profile.sizeValue = static_cast<std::int32_t>(value);
    return true;
}

// The filter the agent applies: the protocols named are checked, the others not.
bool ApplyLayers(const std::vector<std::string>& layers, bool exclude, capture::CPktSnapConf& conf) {
    conf.filterType = exclude ? capture::CPktSnapConf::kExcluded : capture::CPktSnapConf::kIncluded;
    if (layers.empty()) return true;
    const std::map<std::string, std::uint32_t capture::CPktSnapConf::*> flags = {
        {"ethernet", &capture::CPktSnapConf::ethernet}, {"ipv4", &capture::CPktSnapConf::ipv4},
        {"tcp", &capture::CPktSnapConf::tcp},           {"udp", &capture::CPktSnapConf::udp},
        {"telnet", &capture::CPktSnapConf::telnet},     {"ftp", &capture::CPktSnapConf::ftp},
        {"smtp", &capture::CPktSnapConf::smtp},         {"pop3", &capture::CPktSnapConf::pop3},
        {"dns", &capture::CPktSnapConf::dns},           {"nbns", &capture::CPktSnapConf::nbns},
        {"http", &capture::CPktSnapConf::http}};
    for (const auto& [name, flag] : flags) conf.*flag = 0;
    for (const auto& layer : layers) {
        const auto found = flags.find(layer);
        if (found == flags.end()) {
            std::cerr << "capture: unknown layer '" << layer << "'\n";
            return false;
        }
        conf.*(found->second) = 1;
    }
    return true;
}

std::string StopReason(const session::CaptureThread& thread) {
    if (thread.WriteFailed()) return "the trace file could not be written";
    if (thread.FrameTargetReached()) return "frame count reached";
    if (thread.TimeLimitReached()) return "time limit reached";
    if (thread.SizeLimitReached()) return "size limit reached";
    return {};
}

// The named profile, or a default one, with the request's options over it.
std::unique_ptr<profiles::CSessionProfile> ProfileFor(const CaptureRequest& request) {
    auto profile = std::make_unique<profiles::CSessionProfile>();
    if (!request.profile.empty()) {
        CliPrompt prompt(std::cerr);
        auto stored = profiles::LoadNamedProfile(request.profile, prompt, request.registry);
        if (!stored) {
            std::cerr << "capture: " << stored.Err().text << "\n";
            return nullptr;
        }
        *profile = std::move(stored).Value();
    } else if (request.server.empty() || request.out.empty()) {
        std::cerr << "capture: --server and --out are required unless --profile names a session profile\n";
        return nullptr;
    }
    if (!request.server.empty()) profile->serverAddress = request.server;
    if (!request.out.empty()) profile->traceFile = request.out;
    if (!request.sizeLimit.empty()) {
        if (!ParseSizeLimit(request.sizeLimit, *profile)) {
            std::cerr << "capture: --size-limit takes N, NKB or NMB (N from 1 to 2147483647)\n";
            return nullptr;
        }
        profile->limitMode |= profiles::CSessionProfile::kSizeLimit;
    }
    if (request.seconds > 0) {
        profile->timeUnit = profiles::CSessionProfile::kSeconds;
        profile->timeValue = static_cast<std::int32_t>(request.seconds);
        profile->limitMode |= profiles::CSessionProfile::kTimeLimit;
    }
    // A profile's filter stands unless the command line gives one.
    const bool filterGiven = !request.layers.empty() || request.include || request.exclude;
    if ((request.profile.empty() || filterGiven) &&
        !ApplyLayers(request.layers, request.exclude, profile->captureConfiguration))
        return nullptr;
    return profile;
}

}  // namespace

int RunCapture(const CaptureRequest& request) {
    auto profile = ProfileFor(request);
    if (!profile) return 1;
    const std::string tracePath = profile->traceFile;

    AgentContext app(request.epmPort, request.timeoutSeconds);
    auto doc = std::make_unique<session::CKestroDoc>(app.context);
    if (!doc->OnNewDocument(std::move(profile))) {
        if (!doc->TraceFileError().empty()) std::cerr << doc->TraceFileError() << "\n";
        return 1;
    }

    Terminal terminal;
    session::SteadyCaptureClock clock;
    platform::ManualResetEvent paused;
    auto options = session::CaptureThread::OptionsFrom(doc->Profile());
    options.frameTarget = request.frames;
    session::CaptureThread thread(
        *doc, doc->TakeTraceFile(), options, clock, [&paused] { paused.Set(); },
        [&terminal](const std::string& text, std::shared_ptr<platform::ManualResetEvent> answered) {
            terminal.Say(text);
            answered->Set();
        });

    InterruptScope interrupts;
    const auto started = std::chrono::steady_clock::now();
    thread.Start();
    // Nobody is there to answer "Continue?": a pause of the thread's own ends the capture.
    while (!g_interrupted.load() && !paused.IsSet()) {
        (void)paused.Wait(kProgressEvery);
        terminal.Progress(thread, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    }
    const auto finished = g_interrupted.load() ? thread.Stop(kInterruptGrace) : thread.Stop();
    terminal.Done();
    const std::string reason = StopReason(thread);
    if (!reason.empty() && !request.json) std::cerr << "capture: " << reason << "\n";
    if (!finished) std::cerr << core::DisplayText(tracePath) << ": " << finished.Err().text << "\n";
    const std::uint64_t lost = thread.FramesLost();
    const int status = !finished || thread.ProblemsReported() > 0 ? kCaptureFailed
                       : lost > 0                                 ? kCaptureLostFrames
                                                                  : kCaptureClean;
    if (request.json) {
        std::cout << "{\"file\": " << Output::JsonQuote(tracePath) << ", \"frames\": " << thread.FrameCount()
                  << ", \"blocks\": " << thread.BlockCount() << ", \"bytes\": " << thread.EndOffset()
                  << ", \"framesLost\": " << lost << ", \"stopped\": " << Output::JsonQuote(reason)
                  << ", \"status\": " << status << "}\n";
        return status;
    }
    std::cout << thread.FrameCount() << " frames in " << thread.BlockCount() << " blocks written to "
              << core::DisplayText(tracePath);
    if (lost > 0) std::cout << "; " << lost << " frames lost: the agent could not deliver them";
    std::cout << "\n";
    return status;
}

void RegisterCaptureCommand(CommandRegistry& registry) {
    auto r = std::make_shared<CaptureRequest>();
    auto* capture = registry.App().add_subcommand("capture", "Capture from an agent into a trace file, live");
    capture->add_option("--profile", r->profile,
                        "Session profile that supplies every setting (options given override it)");
    AddRegistryOption(capture, r->registry);
    capture->add_option("--server", r->server,
                        "Agent host name or IPv4 address, or ssh://[user@]host[:sshport] (required without --profile)");
    capture->add_option("--epm-port", r->epmPort, "Endpoint mapper port (default PALOMET_EPM_PORT, else 135)")
        ->check(CLI::Range(1, 65535));
    capture->add_option("--timeout", r->timeoutSeconds, "Longest wait for one agent call, in seconds")
        ->capture_default_str()
        ->check(CLI::Range(0.1, 3600.0));
    capture->add_option("--out", r->out, "Trace file to write (.tns; required without --profile)");
    capture->add_option("--seconds", r->seconds, "Stop after this many seconds")->check(CLI::Range(1u, 0x7FFFFFFFu));
    capture
        ->add_option("--frames", r->frames, "Stop once the file holds this many frames (the last batch is kept whole)")
        ->check(CLI::Range(1u, 4000000000u));
    capture->add_option("--size-limit", r->sizeLimit, "Stop once the file reaches N bytes, NKB or NMB");
    capture
        ->add_option("--layers", r->layers,
                     "Protocols the agent filters on (ethernet ipv4 tcp udp telnet ftp smtp pop3 dns nbns http); "
                     "default all")
        ->delimiter(',');
    auto* include = capture->add_flag("--include", r->include, "Keep frames whose every protocol is listed (default)");
    capture->add_flag("--exclude", r->exclude, "Keep frames that carry none of the listed protocols")
        ->excludes(include);
    capture->add_flag("--json", r->json, "Print the summary as a JSON object (frames, blocks, bytes, framesLost)");
    capture->callback([&registry, r] { registry.SetExitCode(RunCapture(*r)); });
}

}  // namespace cli

// palomet-cli agent: talk to a capture agent over RPC: ping it, or grab frames into a trace
// file the way a capture window does.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "capture/CPktSnapConf.h"
#include "capture/TraceWriter.h"
#include "cli/CliPrompt.h"
#include "cli/Commands.h"
#include "core/Archive.h"
#include "core/ByteReader.h"
#include "platform/TcpSocket.h"
#include "rpc/AgentClient.h"
#include "rpc/AgentInterface.h"
#include "rpc/StringBinding.h"

namespace cli {
namespace {

constexpr std::size_t kConfigBuffer = 4096;
constexpr std::int32_t kPeekThreshold = 20;
constexpr auto kPollInterval = std::chrono::milliseconds(500);

struct AgentOptions {
    std::string server;
    std::uint16_t epmPort = 0;  // 0: PALOMET_EPM_PORT or 135
    double timeoutSeconds = 30;
    std::uint32_t frames = 1000;
    std::string out;
};

std::atomic<bool> g_interrupted{false};
extern "C" void OnInterrupt(int) { g_interrupted.store(true); }

std::string TrimLower(std::string text) {
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Failed(const char* what, rpc::RpcStatus status) {
    return std::string(what) + " failed - " + std::to_string(static_cast<long>(static_cast<std::int32_t>(status))) + "\n";
}

// Resolve, compose, bind, authentication, Ping, SnapSessionCreate: the session opening.
std::unique_ptr<rpc::BindingHandle> OpenSession(const AgentOptions& o, core::UserPrompt& prompt, bool& sessionCreated) {
    const std::string server = TrimLower(o.server);
    if (!platform::ResolveIPv4(server)) {
        prompt.Tell("Invalid server name entered.");
        return nullptr;
    }
    std::string text;
    if (const auto status = rpc::ComposeStringBinding({"", std::string(rpc::kProtseqTcp), server, "", ""}, text);
        status != rpc::kRpcOk) {
        prompt.Tell(Failed("RpcStringBindingCompose", status));
        return nullptr;
    }
    std::unique_ptr<rpc::BindingHandle> binding;
    if (const auto status = rpc::BindingHandle::FromStringBinding(text, binding); status != rpc::kRpcOk) {
        prompt.Tell(Failed("RpcBindingFromStringBinding", status));
        return nullptr;
    }
    if (o.epmPort != 0) binding->SetEpmPort(o.epmPort);
    binding->SetTimeout(std::chrono::milliseconds(static_cast<long long>(o.timeoutSeconds * 1000)));
    if (const auto status = binding->SetAuthInfo(rpc::kAuthnLevelNone, rpc::kAuthnWinNt); status != rpc::kRpcOk) {
        prompt.Tell(Failed("RpcBindingSetAuthInfo", status));
        return nullptr;
    }
    rpc::AgentClient agent(*binding);
    if (const auto status = agent.Ping(); status != rpc::kRpcOk) {
        prompt.Tell(Failed("Ping", status));
        if (const auto explanation = rpc::StatusText(status)) prompt.Tell(*explanation);
        return nullptr;
    }
    const auto created = agent.SnapSessionCreate();
    if (created != rpc::kRpcOk) prompt.Tell(Failed("SnapSessionCreate", created));
    sessionCreated = created == rpc::kRpcOk;
    return binding;
}

int RunPing(const AgentOptions& o) {
    CliPrompt prompt(std::cerr);
    bool created = false;
    auto binding = OpenSession(o, prompt, created);
    if (!binding) return 1;
    // The last reference to a host closes the session; its status is not reported.
    (void)rpc::AgentClient(*binding).SnapSessionClose();
    std::cout << "agent " << TrimLower(o.server) << " (" << platform::FormatIPv4(binding->Address()) << ", port "
              << binding->Endpoint() << ") answers" << (created ? "" : "; no session") << "\n";
    return created ? 0 : 1;
}

std::vector<std::uint8_t> DefaultConfiguration() {
    std::vector<std::uint8_t> bytes;
    core::Archive ar(bytes);
    capture::CPktSnapConf conf;
    conf.Serialize(ar);
    if (bytes.size() > kConfigBuffer) bytes.resize(kConfigBuffer);
    return bytes;
}

// Waits one polling interval, or less when interrupted.
void Pause() {
    const auto until = std::chrono::steady_clock::now() + kPollInterval;
    while (!g_interrupted.load() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

int RunGrab(const AgentOptions& o) {
    CliPrompt prompt(std::cerr);
    auto created = capture::TraceWriter::Create(o.out);
    if (!created) {
        prompt.Tell("Trace file could not be opened!");
        return 1;
    }
    capture::TraceWriter writer = std::move(created).Value();
    if (auto header = writer.WriteHeader(); !header) {
        std::cerr << o.out << ": " << header.Err().text << "\n";
        return 1;
    }
    bool sessionCreated = false;
    auto binding = OpenSession(o, prompt, sessionCreated);
    if (!binding) {
        (void)writer.Finish();
        return 1;
    }
    rpc::AgentClient agent(*binding);
    int exitCode = 0;
    std::int32_t snapper = 0;
    const auto config = DefaultConfiguration();
    if (const auto status = agent.SnapSnapperStartA(rpc::kSnapperStartParam, 0, config, snapper);
        status != rpc::kRpcOk) {
        prompt.Tell(Failed("SnapSnapperStartA", status));
        (void)writer.Finish();
        (void)agent.SnapSessionClose();
        return 1;
    }

    g_interrupted.store(false);
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = OnInterrupt;
    sigaction(SIGINT, &action, &previous);
    std::uint64_t frames = 0;
    while (frames < o.frames && !g_interrupted.load()) {
        Pause();
        if (g_interrupted.load()) break;
        std::int32_t pending = 0;
        if (const auto status = agent.SnapSnapperQueryA(snapper, pending); status != rpc::kRpcOk) {
            prompt.Tell(Failed("SnapSnapperQueryA", status));
            exitCode = 1;
            break;
        }
        // Above the threshold as a capture window does; below it only when that many
        // would finish the grab.
        const std::uint64_t missing = o.frames - frames;
        if (pending <= kPeekThreshold && (pending <= 0 || static_cast<std::uint64_t>(pending) < missing)) continue;
        rpc::PeekResult peek;
        if (const auto status = agent.SnapSnapperPeekA(snapper, peek); status != rpc::kRpcOk) {
            prompt.Tell(Failed("SnapSnapperPeekA", status));
            exitCode = 1;
            break;
        }
        if (peek.data.size() < 8) continue;  // nothing captured since the last peek
        core::ByteReader head(peek.data);
        const std::uint32_t count = head.Le32();
        // A peek is kept whole, even the one that passes the requested count.
        if (auto appended = writer.AppendBlock(peek.data, count); !appended) {
            std::cerr << o.out << ": " << appended.Err().text << "\n";
            exitCode = 1;
            break;
        }
        frames += count;
    }
    sigaction(SIGINT, &previous, nullptr);

    if (const auto status = agent.SnapSnapperStopA(snapper); status != rpc::kRpcOk) {
        prompt.Tell(Failed("SnapSnapperStopA", status));
    }
    if (auto finished = writer.Finish(); !finished) {
        std::cerr << o.out << ": " << finished.Err().text << "\n";
        exitCode = 1;
    }
    (void)agent.SnapSessionClose();
    std::cout << writer.FrameCount() << " frames in " << writer.BlockCount() << " blocks written to " << o.out << "\n";
    return exitCode;
}

}  // namespace

void RegisterAgentCommands(CommandRegistry& registry) {
    auto o = std::make_shared<AgentOptions>();
    auto* agent = registry.App().add_subcommand("agent", "Talk to a capture agent over DCE RPC");
    agent->add_option("--server", o->server, "Agent host name or IPv4 address")->required();
    agent->add_option("--epm-port", o->epmPort, "Endpoint mapper port (default PALOMET_EPM_PORT, else 135)")
        ->check(CLI::Range(1, 65535));
    agent->add_option("--timeout", o->timeoutSeconds, "Longest wait for one call, in seconds")
        ->check(CLI::Range(0.1, 3600.0));
    agent->require_subcommand(1);

    auto* ping = agent->add_subcommand("ping", "Bind, Ping, create and close a session");
    ping->callback([&registry, o] { registry.SetExitCode(RunPing(*o)); });

    auto* grab = agent->add_subcommand("grab", "Capture frames from the agent into a trace file");
    grab->add_option("--frames", o->frames, "Stop after this many frames (the last batch is kept whole)")
        ->check(CLI::Range(1u, 4000000000u));
    grab->add_option("--out", o->out, "Trace file to write (.tns)")->required();
    grab->callback([&registry, o] { registry.SetExitCode(RunGrab(*o)); });
}

}  // namespace cli

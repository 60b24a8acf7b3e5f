// palometsrv: the stand-in capture agent for Linux hosts.
#include <CLI/CLI.hpp>

#include <pthread.h>
#include <signal.h>

#include <cstdio>

#include "AgentDaemon.h"
#include "PcapSource.h"

namespace {

constexpr const char* kDescription = R"(NAME
  palometsrv - capture agent serving the manager's capture interface over DCE RPC

SYNOPSIS
  palometsrv --interface IF [options]
  palometsrv --replay FILE.pcap|FILE.pcapng [--loop] [--speed X] [options]

DESCRIPTION
  Serves the capture interface 3c2465f0-c2db-11d0-a71b-00a0249eee17 v1.0 over
  ncacn_ip_tcp (NDR, authentication level none) on --port, and an endpoint mapper
  on --epm-port that resolves the interface to that port. Each snapper a manager
  starts is an independent capture engine: two capture windows on one host each get
  every frame, numbered from the first frame number the manager gave.

  Frames come from a live Ethernet interface through libpcap (needs CAP_NET_RAW and
  CAP_NET_ADMIN, or root) or from a capture file, whose frame bytes, lengths and
  timestamps are replayed exactly (stamps in the file's own ticks: 1000000 per second
  for microsecond files, 1000000000 for nanosecond files).

  Each engine keeps at most --queue-frames frames and --queue-mb MiB. A live engine
  drops its oldest frames (and counts them) when a manager does not keep up; a replay
  waits for the manager instead.

CAPTURE FILTER
  The configuration a manager sends names eleven protocols and a filter type. A
  frame carries Ethernet (always), IPv4 (EtherType 0x0800, after up to two VLAN
  tags), TCP or UDP (IPv4 protocol 6 or 17), and at most one application protocol by
  either port: Telnet 23, FTP 21, SMTP 25, POP3 110, HTTP 80 and DNS 53 over TCP;
  DNS 53 and NetBios Name Service 137 over UDP (first fragments only).
    Included  keeps a frame when every protocol it carries is checked: clearing TCP
              drops all TCP traffic, clearing HTTP drops only HTTP.
    Excluded  keeps a frame when none of the protocols it carries is checked.
  With every box checked and Included (the defaults) every frame is kept. The option
  words and the four lists of the configuration are ignored.

SIGNALS
  SIGTERM and SIGINT stop every engine, close every connection and exit 0.)";

void BlockStopSignals(sigset_t& set) {
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);  // every thread made later inherits the mask
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{kDescription, "palometsrv"};
    agentd::DaemonOptions options;
    std::string interfaceName;
    std::string replay;
    agentd::ReplayOptions replayOptions;
    int epmPort = 135;
    bool noEpm = false;
    std::size_t queueFrames = 262'144;
    std::size_t queueMb = 64;
    std::size_t maxEngines = 16;
    int idleSeconds = 600;

    auto* source = app.add_option_group("source", "where frames come from");
    source->add_option("--interface,-i", interfaceName, "Capture live on this Ethernet interface");
    source->add_option("--replay,-r", replay, "Replay this pcap or pcapng file")->check(CLI::ExistingFile);
    source->require_option(1);
    app.add_flag("--loop", replayOptions.loop, "Start the replay over at the end of the file");
    app.add_option("--speed", replayOptions.speed,
                   "Replay pace: 1 the file's own, 2 twice as fast; 0 (default) as fast as the manager takes frames")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--listen", options.listen, "IPv4 address to listen on")->capture_default_str();
    app.add_option("--port,-p", options.port, "TCP port of the capture interface (0: any free port)")
        ->capture_default_str();
    app.add_option("--epm-port", epmPort, "TCP port of the endpoint mapper (0: any free port)")
        ->capture_default_str()
        ->check(CLI::Range(0, 65535));
    app.add_flag("--no-epm", noEpm, "Run no endpoint mapper (another one serves the host)");
    app.add_option("--queue-frames", queueFrames, "Frames kept per engine")->capture_default_str()->check(CLI::PositiveNumber);
    app.add_option("--queue-mb", queueMb, "MiB of frames kept per engine")->capture_default_str()->check(CLI::PositiveNumber);
    app.add_option("--max-engines", maxEngines, "Snappers running at once, all connections together")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    app.add_option("--idle-timeout", idleSeconds, "Seconds a connection may stay silent between calls")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    CLI11_PARSE(app, argc, argv);

    agentd::AgentConfig config;
    if (!replay.empty()) {
        config.sources = [replay, replayOptions] { return agentd::PcapSource::OpenReplay(replay, replayOptions); };
        // Refuse a file we cannot replay now, not at the first snapper.
        if (auto probe = config.sources(); !probe) {
            std::fprintf(stderr, "palometsrv: %s\n", probe.Err().text.c_str());
            return 1;
        }
    } else {
        config.sources = [interfaceName] { return agentd::PcapSource::OpenLive(interfaceName); };
    }
    config.engineLimits.maxFrames = queueFrames;
    config.engineLimits.maxBytes = queueMb * 1024 * 1024;
    config.maxEngines = maxEngines;
    options.epmPort = noEpm ? std::nullopt : std::optional<std::uint16_t>(static_cast<std::uint16_t>(epmPort));
    options.rpc.idleTimeout = std::chrono::seconds(idleSeconds);

    sigset_t stopSignals;
    BlockStopSignals(stopSignals);
    auto daemon = agentd::AgentDaemon::Start(options, std::move(config));
    if (!daemon) {
        std::fprintf(stderr, "palometsrv: %s\n", daemon.Err().text.c_str());
        return 1;
    }
    std::printf("palometsrv: capture interface on %s port %u", options.listen.c_str(), daemon.Value()->Port());
    if (auto mapper = daemon.Value()->EpmPort()) std::printf(", endpoint mapper on port %u", *mapper);
    std::printf("\n");
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    daemon.Value()->Stop();
    return 0;
}

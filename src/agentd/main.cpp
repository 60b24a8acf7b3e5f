// palometsrv: the stand-in capture agent for Linux hosts.
#include <CLI/CLI.hpp>

#include <malloc.h>
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "AccessList.h"
#include "AgentDaemon.h"
#include "KernelFilter.h"
#include "Log.h"
#include "PcapSource.h"
#include "Privileges.h"
#include "platform/TcpSocket.h"

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

  Frames come from a live Ethernet interface through libpcap (CAP_NET_RAW is all it
  needs, promiscuous mode included) or from a capture file, whose frame bytes,
  lengths and timestamps are replayed exactly (stamps in the file's own ticks: 1000000
  per second for microsecond files, 1000000000 for nanosecond files). A live capture
  never holds the agent's own traffic: a kernel filter drops the packets from or to the
  agent's own addresses and ports together (listening on 0.0.0.0, every address of the
  host's interfaces when the snapper starts); other hosts' traffic on the same port
  numbers is captured.

ACCESS
  The protocol carries no authentication: whoever reaches the port can capture every
  frame this host sees, cleartext logins included. Two set-ups are safe:
    Through SSH (the one to choose): the agent stays on loopback (the default) and
    listens on no network at all; managers name the server ssh://[user@]host[:sshport]
    and reach the endpoint mapper and the agent's port on this host's loopback through
    channels of their own SSH login, whatever port the agent took. Only sshd has to be
    reachable (with TCP forwarding allowed, as sshd allows by default):
      agent host:   palometsrv --interface eth0
      desktop:      palomet-cli agent --server ssh://user@agent-host ping
    An allow-list on a trusted network: only these addresses may connect; every
    other connection is closed before a byte is read.
      palometsrv --interface eth0 --listen 0.0.0.0 --allow 10.0.0.0/8
  --listen on an address other than loopback is refused without --allow; --allow any
  accepts everyone knowingly. Addresses are four decimal numbers without leading zeros
  (010.0.0.0 is refused, not read as octal), and a network may not have host bits set. Every accepted and refused connection and every snapper
  started and stopped is logged on stderr with the peer's address and port.

  Connections are capped per source address (--max-per-source) and in total
  (--max-connections); when a cap is reached, the connection that matters least makes
  room: one that never bound, else the one idle longest that holds no snapper, else the
  one idle longest (its snappers keep capturing for its client). Only a connection in
  the middle of a call is never closed for room. A connection must bind within 10 s and
  send every PDU whole within 30 s; a bound manager may stay idle between captures until
  another connection needs its room, and its next call opens a new connection.

PRIVILEGES
  Started as root outside systemd, the agent opens its ports, then becomes --user
  (default nobody) keeping only CAP_NET_RAW. Under systemd the unit sets the user and
  the capabilities.

SNAPPERS AND MEMORY
  A snapper belongs to its client: the DCE RPC association group its connection bound
  in, a number the agent hands out at random. It answers no other connection, not even
  one from the same address (status 6, invalid handle), and every refused attempt is
  logged. When a connection drops, its snappers keep capturing for --grace seconds, and
  a reconnect that binds in the same association group (the manager's does) goes on
  with the same snapper numbers. A peek the client may not have read before its
  connection dropped is handed over again; the frame numbers tell the client which
  frames it already has. One client runs at most --max-engines-per-client snappers, so
  that no client takes all of --max-engines.

  Everything the snappers hold counts against one memory budget (--max-memory): their
  queues, each peek while it is made (its frames and the reply packed from them), the
  reply kept until the client's next call, and each live capture's kernel buffer. Each
  connection gets an equal part, split evenly between its snappers, so a client that
  never peeks cannot take the room of the others; half of a part is the queue's, the
  other half is kept for the peek that empties it. A live snapper drops its oldest
  frames (and counts them) when its queue is full; a replay waits for the manager
  instead. Nothing is kept for a connection between its calls, and freed memory goes
  back to the system when a snapper or a connection ends.

CAPTURE FILTER
  The configuration a manager sends names eleven protocols and a filter type. A
  frame carries Ethernet (always), IPv4 (EtherType 0x0800, after up to two VLAN
  tags), TCP or UDP (IPv4 protocol 6 or 17), and at most one application protocol by
  either port: Telnet 23, FTP 21, SMTP 25, POP3 110, HTTP 80 and DNS 53 over TCP;
  DNS 53 and NetBios Name Service 137 over UDP (first fragments only; the source port
  is looked at first).
    Included  keeps a frame when every protocol it carries is checked: clearing TCP
              drops all TCP traffic, clearing HTTP drops only HTTP.
    Excluded  keeps a frame when none of the protocols it carries is checked.
  With every box checked and Included (the defaults) every frame is kept. The lists
  choose stations whatever the filter type: with a first Ethernet address list only
  frames from or to one of its addresses are kept, with a second list too only frames
  between an address of each; the two 32-bit lists do the same with IPv4 addresses
  (10.0.0.1 is 0x0A000001), and then only IPv4 frames are kept. A live capture also
  gives what it can of this to the kernel filter. The option words are ignored.

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
    app.set_version_flag("--version", PALOMET_VERSION);
    agentd::DaemonOptions options;
    std::string interfaceName;
    std::string replay;
    agentd::ReplayOptions replayOptions;
    std::vector<std::string> allow;
    std::string user;
    int epmPort = 135;
    bool noEpm = false;
    std::size_t queueFrames = 262'144;
    std::size_t queueMb = 0;
    std::size_t maxMemoryMb = 256;
    std::size_t maxEngines = 16;
    std::size_t maxEnginesPerClient = 8;
    int graceSeconds = 60;
    int idleSeconds = 0;
    int packLevel = 1;
    bool alwaysPack = false;

    auto* source = app.add_option_group("source", "where frames come from");
    source->add_option("--interface,-i", interfaceName, "Capture live on this Ethernet interface");
    source->add_option("--replay,-r", replay, "Replay this pcap or pcapng file")->check(CLI::ExistingFile);
    source->require_option(1);
    app.add_flag("--loop", replayOptions.loop, "Start the replay over at the end of the file");
    app.add_option("--speed", replayOptions.speed,
                   "Replay pace: 1 the file's own, 2 twice as fast; 0 (default) as fast as the manager takes frames")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--listen", options.listen, "IPv4 address to listen on")->capture_default_str();
    app.add_option("--allow", allow,
                   "Addresses that may connect: CIDR[,CIDR...] (repeatable), or any (default: loopback only)");
    app.add_option("--user", user, "Run as this user, keeping only CAP_NET_RAW (default nobody when started as root)");
    app.add_option("--port,-p", options.port, "TCP port of the capture interface (0: any free port)")
        ->capture_default_str();
    app.add_option("--epm-port", epmPort, "TCP port of the endpoint mapper (0: any free port)")
        ->capture_default_str()
        ->check(CLI::Range(0, 65535));
    app.add_flag("--no-epm", noEpm, "Run no endpoint mapper (another one serves the host)");
    app.add_option("--max-memory", maxMemoryMb, "MiB all snappers together may hold: frames, peeks, capture buffers")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    app.add_option("--queue-mb", queueMb,
                   "MiB one snapper's queue may hold at most (0: half its share of --max-memory)")
        ->capture_default_str();
    app.add_option("--queue-frames", queueFrames, "Frames kept per snapper")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    app.add_option("--max-engines", maxEngines, "Snappers running at once, all clients together")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    app.add_option("--max-engines-per-client", maxEnginesPerClient, "Snappers running at once for one client")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    app.add_option("--grace", graceSeconds, "Seconds a dropped client's snappers wait for its reconnect")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber);
    app.add_option("--max-connections", options.rpc.maxConnections, "Connections open at once on each port")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    app.add_option("--max-per-source", options.rpc.maxPerSource, "Connections open at once from one address")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    app.add_option("--idle-timeout", idleSeconds,
                   "Seconds a bound connection may stay silent between calls (0: no limit)")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber);
    app.add_option("--pack-level", packLevel,
                   "Compression of the frames handed over: 0 none, 1 fastest (default) to 12")
        ->capture_default_str()
        ->check(CLI::Range(0, 12));
    app.add_flag("--always-pack", alwaysPack,
                 "Compress every batch at --pack-level, even while packing falls behind the frames "
                 "(by default such batches are stored uncompressed, so that no frame waits on packing)");
    CLI11_PARSE(app, argc, argv);

    const auto listenAddress = platform::ParseIPv4(options.listen);
    if (!listenAddress) {
        std::fprintf(stderr, "palometsrv: --listen %s: not an IPv4 address\n", options.listen.c_str());
        return 1;
    }
    if (!allow.empty()) {
        auto parsed = agentd::AccessList::Parse(allow);
        if (!parsed) {
            std::fprintf(stderr, "palometsrv: %s\n", parsed.Err().text.c_str());
            return 1;
        }
        options.rpc.allow = std::move(parsed).Value();
    } else if (!agentd::IsLoopback(*listenAddress)) {
        std::fprintf(stderr,
                     "palometsrv: refusing to listen on %s without --allow. The capture interface carries no\n"
                     "  authentication: anyone who reaches the port could capture every frame this host sees.\n"
                     "  Name the networks that may connect, for example --allow 10.0.0.0/8, or accept everyone\n"
                     "  knowingly with --allow any. Or keep the agent on loopback and have the managers reach it\n"
                     "  through ssh:// (see --help).\n",
                     options.listen.c_str());
        return 1;
    }

    // The ports the agent serves on, for the kernel filter of every live snapper.
    auto endpoints = std::make_shared<agentd::AgentEndpoints>();
    agentd::AgentConfig config;
    if (!replay.empty()) {
        config.sources = [replay, replayOptions](const capture::CPktSnapConf&) {
            return agentd::PcapSource::OpenReplay(replay, replayOptions);
        };
        // Refuse a file we cannot replay now, not at the first snapper.
        if (auto probe = config.sources({}); !probe) {
            std::fprintf(stderr, "palometsrv: %s\n", probe.Err().text.c_str());
            return 1;
        }
    } else {
        const std::uint32_t listen = *listenAddress;
        // A quarter of the budget is the kernel buffers': the first snapper gets 32 MiB of it
        // (with the default budget), each next one half of what is left.
        const std::size_t kernelPart = (maxMemoryMb << 20) / 4;
        auto kernel = std::make_shared<agentd::KernelBuffers>(kernelPart, std::size_t{256} << 10,
                                                              agentd::PcapSource::kLiveBufferBytes);
        config.snappers.kernelBytes = kernelPart;
        config.sources = [interfaceName, endpoints, listen, kernel](const capture::CPktSnapConf& conf) {
            // The host's addresses as they are when this snapper starts.
            agentd::AgentEndpoints own = *endpoints;
            own.addresses = agentd::OwnAddresses(listen);
            return agentd::PcapSource::OpenLive(
                interfaceName, agentd::KernelFilterExpression(agentd::CaptureFilter(conf), own), kernel->Reserve());
        };
    }
    config.engineLimits.maxFrames = queueFrames;
    config.snappers.maxSnappers = maxEngines;
    config.snappers.maxPerClient = maxEnginesPerClient;
    config.snappers.budgetBytes = maxMemoryMb << 20;
    config.snappers.snapperCap = queueMb << 20;
    config.snappers.grace = std::chrono::seconds(graceSeconds);
    config.packing.level = packLevel;
    config.packing.storeWhenBehind = !alwaysPack;
    options.epmPort = noEpm ? std::nullopt : std::optional<std::uint16_t>(static_cast<std::uint16_t>(epmPort));
    options.rpc.idleTimeout = std::chrono::seconds(idleSeconds);

    // Freed memory goes back to the system: a peek's frames and reply (a MiB and more) are
    // mapped for the call and unmapped after it, and the queues' 256 KiB chunks come from two
    // arenas, not one per thread, whose free pages go back when a snapper or a connection ends.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    mallopt(M_ARENA_MAX, 2);

    sigset_t stopSignals;
    BlockStopSignals(stopSignals);
    auto daemon = agentd::AgentDaemon::Open(options, std::move(config));
    if (!daemon) {
        std::fprintf(stderr, "palometsrv: %s\n", daemon.Err().text.c_str());
        return 1;
    }
    endpoints->ports.push_back(daemon.Value()->Port());
    if (auto mapper = daemon.Value()->EpmPort()) endpoints->ports.push_back(*mapper);

    // The ports are bound; nothing else needs root. No thread runs yet.
    if (!user.empty() && !agentd::RunningAsRoot()) {
        std::fprintf(stderr, "palometsrv: --user %s needs the agent to be started as root\n", user.c_str());
        return 1;
    }
    if (agentd::RunningAsRoot() && (!user.empty() || !agentd::StartedBySystemd())) {
        if (user.empty()) user = "nobody";
        if (auto dropped = agentd::DropPrivileges(user); !dropped) {
            std::fprintf(stderr, "palometsrv: %s\n", dropped.Err().text.c_str());
            return 1;
        }
    }
    if (replay.empty()) {
        // A wrong interface, or missing privileges, are told now in libpcap's words (with the
        // smallest buffer: the kernel sets aside the whole buffer as the capture opens).
        if (auto probe = agentd::PcapSource::OpenLive(interfaceName, {}, std::size_t{256} << 10); !probe) {
            std::fprintf(stderr, "palometsrv: %s\n", probe.Err().text.c_str());
            return 1;
        }
    }
    daemon.Value()->Serve();
    agentd::Log("serving on " + options.listen + "; clients allowed: " + options.rpc.allow.Describe() +
                (user.empty() ? std::string() : "; running as " + user + " with CAP_NET_RAW only"));
    std::printf("palometsrv: capture interface on %s port %u", options.listen.c_str(), daemon.Value()->Port());
    if (auto mapper = daemon.Value()->EpmPort()) std::printf(", endpoint mapper on port %u", *mapper);
    std::printf("\n");
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    daemon.Value()->Stop();
    return 0;
}

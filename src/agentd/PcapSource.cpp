// libpcap behind the frame source: live capture with nanosecond stamps where the kernel
// gives them, replay that keeps a file's bytes, lengths and timestamps exactly.
#include "PcapSource.h"

#include <pcap/pcap.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

#include "capture/PcapPrecision.h"

namespace agentd {

namespace {

constexpr std::int64_t kMicro = 1'000'000;
constexpr std::int64_t kNano = 1'000'000'000;
constexpr int kSnapLength = 262144;
constexpr int kLiveTimeoutMs = 100;
constexpr auto kPaceSlice = std::chrono::milliseconds(50);
constexpr std::size_t kSniffBytes = 64 * 1024;

std::int64_t SteadyNow() noexcept {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

core::Result<std::int64_t> PcapSource::FileFrequency(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return core::Fail(core::ErrorKind::Io, "cannot open " + path);
    std::vector<std::uint8_t> head(kSniffBytes);
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    auto fine = capture::HasSubMicrosecondStamps(head);
    if (!fine) return core::Fail(fine.Err().kind, path + ": " + fine.Err().text);
    return fine.Value() ? kNano : kMicro;
}

core::Result<std::unique_ptr<FrameSource>> PcapSource::OpenReplay(const std::string& path,
                                                                  const ReplayOptions& options) {
    auto frequency = FileFrequency(path);
    if (!frequency) return frequency.Err();
    std::unique_ptr<PcapSource> source(new PcapSource());
    source->m_replay = true;
    source->m_path = path;
    source->m_options = options;
    source->m_frequency = frequency.Value();
    char error[PCAP_ERRBUF_SIZE] = {};
    source->m_handle = pcap_open_offline_with_tstamp_precision(path.c_str(), PCAP_TSTAMP_PRECISION_NANO, error);
    if (source->m_handle == nullptr) return core::Fail(core::ErrorKind::Corrupt, path + ": " + error);
    if (pcap_datalink(source->m_handle) != DLT_EN10MB)
        return core::Fail(core::ErrorKind::Unsupported, path + " is not an Ethernet capture");
    return std::unique_ptr<FrameSource>(std::move(source));
}

core::Result<std::unique_ptr<FrameSource>> PcapSource::OpenLive(const std::string& interfaceName,
                                                                const std::string& filter, KernelBuffers::Grant grant) {
    auto source = OpenLive(interfaceName, filter, grant.Bytes());
    if (source) static_cast<PcapSource&>(*source.Value()).m_grant = std::move(grant);
    return source;
}

core::Result<std::unique_ptr<FrameSource>> PcapSource::OpenLive(const std::string& interfaceName,
                                                                const std::string& filter, std::size_t bufferBytes) {
    char error[PCAP_ERRBUF_SIZE] = {};
    std::unique_ptr<PcapSource> source(new PcapSource());
    source->m_handle = pcap_create(interfaceName.c_str(), error);
    if (source->m_handle == nullptr) return core::Fail(core::ErrorKind::Io, interfaceName + ": " + error);
    pcap_t* p = source->m_handle;
    pcap_set_snaplen(p, kSnapLength);
    pcap_set_promisc(p, 1);
    // Not immediate: the kernel hands over whole blocks of frames (or what a block holds
    // when the timeout ends), one wake-up for hundreds of frames. Frame by frame, the reader
    // lost frames at 400 Mb/s even with a large buffer.
    pcap_set_immediate_mode(p, 0);
    pcap_set_timeout(p, kLiveTimeoutMs);
    source->m_bufferBytes = std::min<std::size_t>(bufferBytes, INT32_MAX);
    pcap_set_buffer_size(p, static_cast<int>(source->m_bufferBytes));
    const bool nano = pcap_set_tstamp_precision(p, PCAP_TSTAMP_PRECISION_NANO) == 0;
    const int status = pcap_activate(p);
    if (status < 0) return core::Fail(core::ErrorKind::Io, interfaceName + ": " + pcap_geterr(p));
    // On a quiet interface a blocking read never returns (the kernel hands over no empty
    // block), and the engine could not see that it is told to stop: reads do not block, and
    // Read waits for the descriptor a bounded while instead.
    if (pcap_setnonblock(p, 1, error) != 0)
        return core::Fail(core::ErrorKind::Io, interfaceName + ": " + std::string(error));
    source->m_selectable = pcap_get_selectable_fd(p);
    if (source->m_selectable < 0)
        return core::Fail(core::ErrorKind::Unsupported, interfaceName + ": no descriptor to wait on");
    if (pcap_datalink(p) != DLT_EN10MB)
        return core::Fail(core::ErrorKind::Unsupported, interfaceName + " is not an Ethernet interface");
    source->m_frequency = nano && pcap_get_tstamp_precision(p) == PCAP_TSTAMP_PRECISION_NANO ? kNano : kMicro;
    if (!filter.empty()) {
        bpf_program program{};
        if (pcap_compile(p, &program, filter.c_str(), 1, PCAP_NETMASK_UNKNOWN) != 0)
            return core::Fail(core::ErrorKind::Unsupported, interfaceName + ": capture filter: " + pcap_geterr(p));
        const int set = pcap_setfilter(p, &program);
        pcap_freecode(&program);
        if (set != 0) return core::Fail(core::ErrorKind::Io, interfaceName + ": capture filter: " + pcap_geterr(p));
    }
    return std::unique_ptr<FrameSource>(std::move(source));
}

PcapSource::~PcapSource() {
    if (m_handle != nullptr) pcap_close(m_handle);
}

FrameSource::Outcome PcapSource::Read() {
    pcap_pkthdr* header = nullptr;
    const std::uint8_t* data = nullptr;
    const int status = pcap_next_ex(m_handle, &header, &data);
    if (status == 0) {
        // Nothing yet: a live capture waits a while for the kernel's next block, then
        // lets the engine look at its stop flag.
        if (m_selectable >= 0) {
            pollfd ready{m_selectable, POLLIN, 0};
            ::poll(&ready, 1, kLiveTimeoutMs);
        }
        return Outcome::Idle;
    }
    if (status == PCAP_ERROR_BREAK) return Outcome::End;
    if (status < 0) {
        m_failure = pcap_geterr(m_handle);
        return Outcome::Failed;
    }
    // A nanosecond handle: tv_usec holds nanoseconds (libpcap scales microsecond files).
    const std::int64_t fraction = m_frequency == kNano ? header->ts.tv_usec : header->ts.tv_usec / 1000;
    const std::int64_t raw = static_cast<std::int64_t>(header->ts.tv_sec) * m_frequency + fraction;
    if (!m_passHadFrames) m_firstStamp = raw;
    m_passHadFrames = true;
    m_lastStamp = raw;
    m_frame.stamp = raw + m_shift;
    m_frame.seconds = static_cast<std::uint32_t>(m_shift == 0 ? header->ts.tv_sec : m_frame.stamp / m_frequency);
    m_frame.wireLength = header->len;
    // libpcap never hands more than caplen bytes; the span is bounded by it.
    m_frame.bytes = std::span<const std::uint8_t>(data, header->caplen);
    return Outcome::Frame;
}

SourceDrops PcapSource::KernelDrops() {
    pcap_stat stats{};
    if (m_replay || m_handle == nullptr || pcap_stats(m_handle, &stats) != 0) return m_drops;
    // Unsigned differences stay right across a wrap of the 32-bit counters.
    m_drops.kernel += static_cast<std::uint32_t>(stats.ps_drop - m_lastKernel);
    m_drops.interface += static_cast<std::uint32_t>(stats.ps_ifdrop - m_lastInterface);
    m_lastKernel = stats.ps_drop;
    m_lastInterface = stats.ps_ifdrop;
    return m_drops;
}

FrameSource::Outcome PcapSource::Reopen() {
    if (!m_options.loop || !m_passHadFrames) return Outcome::End;
    // The next pass follows the last frame of this one by one tick.
    m_shift += m_lastStamp - m_firstStamp + 1;
    m_passHadFrames = false;
    pcap_close(m_handle);
    char error[PCAP_ERRBUF_SIZE] = {};
    m_handle = pcap_open_offline_with_tstamp_precision(m_path.c_str(), PCAP_TSTAMP_PRECISION_NANO, error);
    if (m_handle == nullptr) {
        m_failure = m_path + ": " + error;
        return Outcome::Failed;
    }
    return Outcome::Idle;
}

FrameSource::Outcome PcapSource::Next(SourceFrame& frame) {
    if (m_handle == nullptr) return Outcome::End;
    if (!m_held) {
        Outcome outcome = Read();
        if (outcome == Outcome::End && m_replay) outcome = Reopen();
        if (outcome != Outcome::Frame) return outcome;
        m_held = true;
    }
    if (Paced()) {
        if (!m_started) {
            m_started = true;
            m_wallStart = SteadyNow();
            m_paceOrigin = m_frame.stamp;
        }
        const double elapsedTicks = static_cast<double>(m_frame.stamp - m_paceOrigin);
        const auto due = m_wallStart + static_cast<std::int64_t>(elapsedTicks / static_cast<double>(m_frequency) /
                                                                 m_options.speed * 1e9);
        const std::int64_t wait = due - SteadyNow();
        if (wait > 0) {
            std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(std::chrono::nanoseconds(wait), kPaceSlice));
            if (due > SteadyNow()) return Outcome::Idle;
        }
    }
    m_held = false;
    frame = m_frame;
    return Outcome::Frame;
}

}  // namespace agentd

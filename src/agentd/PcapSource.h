// Frames from libpcap: a live Ethernet interface, or a pcap/pcapng file replayed at its own
// pace, faster, or as fast as possible, once or in a loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FrameSource.h"
#include "KernelBuffers.h"

struct pcap;

namespace agentd {

struct ReplayOptions {
    bool loop = false;
    // 1 replays at the file's own pace, 2 twice as fast; 0 or anything from kUnpaced on
    // replays as fast as the reader takes the frames.
    double speed = 0;
    static constexpr double kUnpaced = 1e6;
};

class PcapSource final : public FrameSource {
public:
    static core::Result<std::unique_ptr<FrameSource>> OpenReplay(const std::string& path, const ReplayOptions& options);
    // The largest kernel buffer of a live capture: a quarter second of a busy gigabit link.
    // The reader falls behind while the agent packs a peek; with 2 to 16 MiB the kernel then
    // lost frames from 400 or 600 Mb/s up, with 32 MiB it lost none below the rate at which
    // the manager takes them, and 64 MiB did no better.
    static constexpr std::size_t kLiveBufferBytes = std::size_t{32} << 20;
    // filter: a BPF expression for the kernel, or empty; bufferBytes: the kernel's buffer,
    // which counts against the agent's memory. Only CAP_NET_RAW is needed.
    static core::Result<std::unique_ptr<FrameSource>> OpenLive(const std::string& interfaceName,
                                                               const std::string& filter = {},
                                                               std::size_t bufferBytes = kLiveBufferBytes);
    // The same with a buffer granted from the agent's part for them, given back as it closes.
    static core::Result<std::unique_ptr<FrameSource>> OpenLive(const std::string& interfaceName,
                                                               const std::string& filter, KernelBuffers::Grant grant);
    // Ticks per second at which a capture file keeps its timestamps: 1e9 for nanosecond
    // files and pcapng files with an interface finer than a microsecond, 1e6 otherwise.
    static core::Result<std::int64_t> FileFrequency(const std::string& path);

    ~PcapSource() override;
    PcapSource(const PcapSource&) = delete;
    PcapSource& operator=(const PcapSource&) = delete;

    Outcome Next(SourceFrame& frame) override;
    std::int64_t Frequency() const noexcept override { return m_frequency; }
    bool Lossless() const noexcept override { return m_replay; }
    std::string Failure() const override { return m_failure; }
    std::size_t BufferBytes() const noexcept override { return m_bufferBytes; }
    SourceDrops KernelDrops() override;

private:
    PcapSource() = default;
    Outcome Read();
    Outcome Reopen();
    bool Paced() const noexcept { return m_replay && m_options.speed > 0 && m_options.speed < ReplayOptions::kUnpaced; }

    pcap* m_handle = nullptr;
    int m_selectable = -1;  // a live capture's descriptor, polled while nothing comes
    bool m_replay = false;
    KernelBuffers::Grant m_grant;
    std::size_t m_bufferBytes = 0;
    std::string m_path;
    ReplayOptions m_options;
    std::int64_t m_frequency = 1'000'000;
    std::string m_failure;
    // libpcap's counters are 32 bits wide: the last values read, and their sums that do not wrap.
    std::uint32_t m_lastKernel = 0;
    std::uint32_t m_lastInterface = 0;
    SourceDrops m_drops;

    // A frame read but not yet due (paced replay).
    bool m_held = false;
    SourceFrame m_frame;
    // Loop bookkeeping: stamps of a pass are shifted to follow the previous pass.
    bool m_started = false;
    std::int64_t m_firstStamp = 0;
    std::int64_t m_lastStamp = 0;
    std::int64_t m_shift = 0;
    std::int64_t m_wallStart = 0;   // steady clock, nanoseconds, when the first frame was due
    std::int64_t m_paceOrigin = 0;  // stamp of that first frame
    bool m_passHadFrames = false;
};

}  // namespace agentd

// Pcap export through libpcap's dump writer.
#include "capture/PcapExport.h"

#include <algorithm>
#include <limits>

#include <pcap/pcap.h>

#include <cstdio>
#include <memory>

#include "capture/PcapLinkTypes.h"
#include "core/PendingFile.h"

namespace capture {

namespace {
constexpr std::int64_t kMicro = 1'000'000;
constexpr std::int64_t kNano = 1'000'000'000;
__extension__ typedef __int128 Wide;  // ticks * precision may exceed 64 bits

struct PcapClose {
    void operator()(pcap_t* p) const noexcept { pcap_close(p); }
};
struct DumperClose {
    void operator()(pcap_dumper_t* d) const noexcept { pcap_dump_close(d); }
};

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) noexcept {
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
}  // namespace

PcapClock::Time PcapClock::Convert(std::uint32_t captureTime, std::int64_t stamp, std::int64_t frequency) noexcept {
    if (frequency <= 0) return {captureTime, 0};
    std::int64_t seconds = FloorDiv(stamp, frequency);
    std::int64_t ticks = stamp - seconds * frequency;
    if (seconds != captureTime) {
        if (!m_anchored || m_anchorFrequency != frequency) {
            m_anchored = true;
            m_anchorStamp = stamp;
            m_anchorFrequency = frequency;
            m_anchorSeconds = captureTime;
        }
        // Stamps are read from files: the two may lie further apart than 64 bits count, and
        // seconds beyond them saturate.
        const Wide since = static_cast<Wide>(stamp) - m_anchorStamp;
        Wide whole = since / frequency;
        if (since % frequency != 0 && since < 0) --whole;
        ticks = static_cast<std::int64_t>(since - whole * frequency);
        seconds = static_cast<std::int64_t>(std::clamp<Wide>(Wide{m_anchorSeconds} + whole,
                                                             std::numeric_limits<std::int64_t>::min(),
                                                             std::numeric_limits<std::int64_t>::max()));
    }
    const auto fraction = static_cast<std::int64_t>(static_cast<Wide>(ticks) * m_precision / frequency);
    return {seconds, fraction};
}

core::Result<PcapExportStats> ExportPcap(TraceReader& reader, const std::string& out,
                                         const PcapExportOptions& options) {
    if (reader.IsFile(out)) return core::Fail(core::ErrorKind::Unsupported, out + ": is the trace file being exported");
    CPktSnap batch;
    auto moved = reader.Go(TraceReader::Move::Next, batch);
    if (!moved) return moved.Err();
    PcapExportStats stats;
    stats.nanosecond = !moved.Value() || batch.GetFrequency() != kMicro;
    const std::int64_t precision = stats.nanosecond ? kNano : kMicro;

    auto pending = core::PendingFile::Create(out);
    if (!pending) return pending.Err();
    // The writer is opened with the link type of the first frame that has one; frames of
    // another link type cannot share a pcap file with it.
    std::unique_ptr<pcap_t, PcapClose> dead;
    std::unique_ptr<pcap_dumper_t, DumperClose> dumper;
    int fileLink = DLT_EN10MB;
    const auto open = [&](int link) -> core::Status {
        fileLink = link;
        dead.reset(pcap_open_dead_with_tstamp_precision(
            link, static_cast<int>(kPcapSnapLength),
            stats.nanosecond ? PCAP_TSTAMP_PRECISION_NANO : PCAP_TSTAMP_PRECISION_MICRO));
        if (!dead) return core::Fail(core::ErrorKind::Io, "no memory for a pcap writer");
        // libpcap writes through its own stream on a second descriptor of the temporary file.
        auto second = pending.Value().File().Duplicate();
        if (!second) return second.Err();
        std::FILE* stream = ::fdopen(second.Value().Fd(), "wb");
        if (stream == nullptr) return core::Fail(core::ErrorKind::Io, out + ": cannot be written");
        (void)second.Value().Release();  // the stream owns it now
        dumper.reset(pcap_dump_fopen(dead.get(), stream));
        if (!dumper) {
            std::fclose(stream);
            return core::Fail(core::ErrorKind::Io, out + ": " + pcap_geterr(dead.get()));
        }
        stats.linkType = link;
        return core::Success();
    };

    PcapClock clock(precision);
    bool more = moved.Value();
    while (more) {
        for (const auto& frame : batch.Frames()) {
            if (options.keep && !options.keep(frame)) continue;
            const std::optional<int> link = PcapLinkTypeOf(frame.GetLinkProtocol());
            if (link && !dumper) {
                if (auto st = open(*link); !st) return st.Err();
            }
            if (!link || *link != fileLink) {
                ++stats.skipped;
                continue;
            }
            const auto t = clock.Convert(frame.GetCaptureTime(), frame.GetStamp(), batch.GetFrequency());
            pcap_pkthdr header{};
            header.ts.tv_sec = static_cast<time_t>(t.seconds);
            header.ts.tv_usec = static_cast<suseconds_t>(t.fraction);
            // A longer record would make every pcap reader refuse the whole file.
            header.caplen = frame.GetDataLength();
            if (header.caplen > kPcapSnapLength) {
                header.caplen = kPcapSnapLength;
                ++stats.cut;
            }
            header.len = frame.GetTotalLength();
            pcap_dump(static_cast<u_char*>(static_cast<void*>(dumper.get())), &header, frame.GetData().data());
            ++stats.frames;
        }
        if (options.progress) options.progress(reader.ScreenBlockOffset(), reader.EndOffset());
        moved = reader.Go(TraceReader::Move::Next, batch);
        if (!moved) return moved.Err();
        more = moved.Value();
    }
    // A trace without a frame to write still gives a valid (Ethernet) pcap file.
    if (!dumper) {
        if (auto st = open(DLT_EN10MB); !st) return st.Err();
    }
    if (pcap_dump_flush(dumper.get()) != 0) return core::Fail(core::ErrorKind::Io, out + ": write failed");
    dumper.reset();
    if (auto st = pending.Value().Commit(); !st) return st.Err();
    return stats;
}

}  // namespace capture

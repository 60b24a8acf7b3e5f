// Pcap import. The main thread reads frames and fills batches; batches are serialised and
// compressed on worker threads, and their blocks appended in order as they complete.
#include "capture/PcapImport.h"

#include <pcap/pcap.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "capture/CPktSnap.h"
#include "capture/PackPool.h"
#include "capture/PcapLinkTypes.h"
#include "capture/PcapPrecision.h"
#include "capture/TraceWriter.h"
#include "core/Archive.h"
#include "core/PendingFile.h"

namespace capture {

namespace {
constexpr std::size_t kProbeBytes = 64 * 1024;
constexpr std::int64_t kMicro = 1'000'000;
constexpr std::int64_t kNano = 1'000'000'000;

// The frame count word of a serialised batch: schema, frequency low, frequency high, count.
constexpr std::size_t kBatchCountOffset = 12;

void PutCount(std::vector<std::uint8_t>& batch, std::uint32_t count) {
    for (std::size_t b = 0; b < 4; ++b) batch[kBatchCountOffset + b] = static_cast<std::uint8_t>(count >> (8 * b));
}

struct PcapClose {
    void operator()(pcap_t* p) const noexcept { pcap_close(p); }
};
using PcapPtr = std::unique_ptr<pcap_t, PcapClose>;

core::Result<bool> ProbePrecision(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return core::Fail(core::ErrorKind::Io, path + ": cannot be opened");
    std::vector<char> raw(kProbeBytes);
    file.read(raw.data(), static_cast<std::streamsize>(raw.size()));
    raw.resize(static_cast<std::size_t>(file.gcount()));
    const std::vector<std::uint8_t> head(raw.begin(), raw.end());
    auto fine = HasSubMicrosecondStamps(head);
    if (!fine) return core::Fail(fine.Err().kind, path + ": " + fine.Err().text);
    return fine;
}

class Importer {
public:
    Importer(const PcapImportOptions& options, TraceWriter& writer)
        : m_writer(writer),
          m_pool(std::max(2u, std::thread::hardware_concurrency()), options.level),
          m_window(std::max(2u, std::thread::hardware_concurrency()) + 1) {}

    // serialized is one whole serialised batch of k frames.
    core::Status Submit(std::vector<std::uint8_t> serialized, std::uint32_t k) {
        m_pending.emplace_back(m_pool.Pack(std::move(serialized), k), k);
        while (m_pending.size() >= m_window)
            if (auto st = WriteOldest(); !st) return st;
        return core::Success();
    }

    core::Status Drain() {
        while (!m_pending.empty())
            if (auto st = WriteOldest(); !st) return st;
        return core::Success();
    }

private:
    core::Status WriteOldest() {
        auto packed = m_pending.front().first.get();
        const std::uint32_t k = m_pending.front().second;
        m_pending.pop_front();
        if (!packed) return packed.Err();
        return m_writer.AppendBlock(packed.Value(), k);
    }

    TraceWriter& m_writer;
    PackPool m_pool;
    std::size_t m_window;
    std::deque<std::pair<std::future<PackPool::Packed>, std::uint32_t>> m_pending;
};

}  // namespace

core::Result<PcapImportStats> ImportPcap(const std::string& in, const std::string& out,
                                         const PcapImportOptions& options) {
    if (core::SameFile(in, out))
        return core::Fail(core::ErrorKind::Unsupported, out + ": is the capture being imported");
    if (options.blockFrames == 0) return core::Fail(core::ErrorKind::Unsupported, "a block needs at least one frame");
    auto fine = ProbePrecision(in);
    if (!fine) return fine.Err();
    const bool nano = fine.Value();

    char errbuf[PCAP_ERRBUF_SIZE] = {};
    PcapPtr pcap(pcap_open_offline_with_tstamp_precision(
        in.c_str(), nano ? PCAP_TSTAMP_PRECISION_NANO : PCAP_TSTAMP_PRECISION_MICRO, errbuf));
    if (!pcap) return core::Fail(core::ErrorKind::Io, in + ": " + errbuf);
    const int link = pcap_datalink(pcap.get());
    if (!CanImportLinkType(link)) {
        const char* name = pcap_datalink_val_to_name(link);
        return core::Fail(core::ErrorKind::Unsupported,
                          in + ": link type " + (name ? name : "unknown") + " (" + std::to_string(link) +
                              ") cannot be imported; Ethernet, Linux cooked (SLL, SLL2) and raw IP captures can");
    }
    const std::int64_t frequency = pcap_get_tstamp_precision(pcap.get()) == PCAP_TSTAMP_PRECISION_NANO ? kNano : kMicro;

    // Written beside out under a temporary name, renamed only once complete.
    auto pending = core::PendingFile::Create(out);
    if (!pending) return pending.Err();
    auto handle = pending.Value().File().Duplicate();
    if (!handle) return handle.Err();
    TraceWriter writer(std::move(handle).Value(), TraceWriter::Flush::Deferred);
    if (auto st = writer.WriteHeader(); !st) return st.Err();

    std::uint64_t total = 0;
    std::error_code ec;
    total = std::filesystem::file_size(in, ec);
    FILE* stream = pcap_file(pcap.get());

    Importer importer(options, writer);
    PcapImportStats stats;
    stats.frequency = frequency;
    // Frames are serialised straight into the batch's bytes through one reused record, so
    // reading costs no allocation per frame.
    std::vector<std::uint8_t> serialized;
    std::uint32_t inBatch = 0;
    std::size_t lastSize = 0;
    auto startBatch = [&] {
        serialized = {};
        serialized.reserve(lastSize + lastSize / 8);
        CPktSnap head;
        head.SetFrequency(frequency);
        core::Archive ar(serialized);
        head.Serialize(ar);
        inBatch = 0;
    };
    auto submitBatch = [&] {
        PutCount(serialized, inBatch);
        lastSize = serialized.size();
        ++stats.blocks;
        return importer.Submit(std::move(serialized), inBatch);
    };
    startBatch();
    CPktSnapQue frame;
    for (;;) {
        pcap_pkthdr* header = nullptr;
        const std::uint8_t* data = nullptr;
        const int rc = pcap_next_ex(pcap.get(), &header, &data);
        if (rc == PCAP_ERROR_BREAK) break;
        if (rc != 1) return core::Fail(core::ErrorKind::Corrupt, in + ": " + pcap_geterr(pcap.get()));
        frame.SetCaptureTime(static_cast<std::uint32_t>(header->ts.tv_sec));
        frame.SetStamp(static_cast<std::int64_t>(header->ts.tv_sec) * frequency + header->ts.tv_usec);
        frame.SetFrameNumber(stats.frames);
        frame.SetTotalLength(header->len);
        frame.SetCapturedLength(header->caplen);
        const std::span<const std::uint8_t> bytes(data, header->caplen);
        frame.SetLinkProtocol(LinkCodeOf(link, bytes));
        frame.SetData(bytes);
        core::Archive ar(serialized);
        frame.Serialize(ar);
        ++inBatch;
        ++stats.frames;
        if (inBatch == options.blockFrames) {
            if (auto st = submitBatch(); !st) return st.Err();
            startBatch();
            if (options.progress && stream != nullptr)
                options.progress(static_cast<std::uint64_t>(std::ftell(stream)), total);
        }
    }
    if (inBatch > 0)
        if (auto st = submitBatch(); !st) return st.Err();
    if (auto st = importer.Drain(); !st) return st.Err();
    if (auto st = writer.Finish(); !st) return st.Err();
    if (auto st = pending.Value().Commit(); !st) return st.Err();
    if (options.progress) options.progress(total, total);
    return stats;
}

}  // namespace capture

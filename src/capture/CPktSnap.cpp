// Frame batch: four words, then the frame records back to back. In memory the records stay
// in their serialised form and an offset per frame says where each begins.
#include "capture/CPktSnap.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>

#include "core/ByteReader.h"

namespace capture {

namespace {
constexpr std::size_t kBatchHead = 16;
// Words of a frame record after its schema word and before its data length.
constexpr std::size_t kFrameFieldsBeforeLength = 28;
constexpr std::size_t kDataLengthAt = 32;

std::uint32_t DataLengthAt(const std::vector<std::uint8_t>& bytes, std::uint32_t offset) noexcept {
    core::ByteReader in(std::span<const std::uint8_t>(bytes).subspan(offset + kDataLengthAt));
    return in.Le32();
}
}  // namespace

CPktSnap::CPktSnap(const decode::CPktParsers* parsers) : m_parsers(parsers), m_frequency(LocalCounterFrequency()) {}

void CPktSnap::RemoveAllFrames() noexcept {
    std::vector<std::uint8_t>().swap(m_bytes);
    std::vector<std::uint32_t>().swap(m_offsets);
    m_recordBytes = 0;
}

CPktSnapQue CPktSnap::GetFrame(std::uint32_t i) const {
    if (i >= m_offsets.size()) throw std::out_of_range("frame batch has no frame " + std::to_string(i));
    const std::uint32_t offset = m_offsets[i];
    if (offset == kBlankFrame) return {};
    return CPktSnapQue::View(std::span<const std::uint8_t>(m_bytes).subspan(offset));
}

void CPktSnap::AppendRecord(const CPktSnapQue& frame) {
    // Offsets are 32-bit; no block comes near 4 GiB (an inflated block is at most 256 MiB).
    if (m_bytes.size() + CPktSnapQue::kWireHead + frame.GetDataLength() >= kBlankFrame)
        throw std::length_error("frame batch beyond 4 GiB");
    m_offsets.push_back(static_cast<std::uint32_t>(m_bytes.size()));
    frame.AppendTo(m_bytes);
    m_recordBytes += CPktSnapQue::kWireHead + frame.GetDataLength();
}

void CPktSnap::AddFrame(const CPktSnapQue& frame) { AppendRecord(frame); }

std::size_t CPktSnap::SerializedSize() const noexcept { return kBatchHead + m_recordBytes; }

void CPktSnap::Serialize(core::Archive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(core::kSchema);
        ar.WriteU32(static_cast<std::uint32_t>(m_frequency));
        ar.WriteU32(static_cast<std::uint32_t>(static_cast<std::uint64_t>(m_frequency) >> 32));
        ar.WriteU32(GetFrameCount());
        const std::span<const std::uint8_t> bytes(m_bytes);
        for (const std::uint32_t offset : m_offsets) {
            if (offset == kBlankFrame) {
                CPktSnapQue().Serialize(ar);
                continue;
            }
            ar.WriteBytes(bytes.subspan(offset, CPktSnapQue::kWireHead + DataLengthAt(m_bytes, offset)));
        }
        return;
    }
    if (ar.ReadU32() != core::kSchema) return;
    const std::uint64_t low = ar.ReadU32();
    const std::uint64_t high = ar.ReadU32();
    m_frequency = static_cast<std::int64_t>(low | (high << 32));
    const auto count = ar.ReadI32();
    if (count <= 0) return;
    // Reserve only what the bytes can back, never what the count claims.
    m_offsets.reserve(m_offsets.size() +
                      std::min<std::size_t>(static_cast<std::size_t>(count), ar.Remaining() / CPktSnapQue::kWireHead));
    m_bytes.reserve(m_bytes.size() + ar.Remaining());
    // Each frame joins the list only once it has loaded whole.
    for (std::int32_t i = 0; i < count; ++i) {
        const std::size_t before = ar.Position();
        CPktSnapQue frame;
        frame.Serialize(ar);
        if (ar.Position() - before == sizeof(std::uint32_t)) {
            m_offsets.push_back(kBlankFrame);  // its schema word ended it
            m_recordBytes += CPktSnapQue::kWireHead;
            continue;
        }
        AppendRecord(frame);
    }
}

bool CPktSnap::LoadAdopting(std::vector<std::uint8_t>&& serialized) {
    if (!m_offsets.empty() || serialized.size() >= kBlankFrame) return false;
    core::ByteReader in(serialized);
    const std::uint32_t schema = in.Le32();
    if (in.Failed()) return false;
    if (schema != core::kSchema) return true;  // read no further, as Serialize does
    const std::uint64_t low = in.Le32();
    const std::uint64_t high = in.Le32();
    const auto count = static_cast<std::int32_t>(in.Le32());
    if (in.Failed()) return false;
    std::vector<std::uint32_t> offsets;
    std::size_t recordBytes = 0;
    if (count > 0)
        offsets.reserve(
            std::min<std::size_t>(static_cast<std::size_t>(count), in.Remaining() / CPktSnapQue::kWireHead));
    for (std::int32_t i = 0; i < count; ++i) {
        const auto at = static_cast<std::uint32_t>(in.Offset());
        const std::uint32_t frameSchema = in.Le32();
        if (in.Failed()) return false;
        if (frameSchema != core::kSchema) {
            offsets.push_back(kBlankFrame);
            recordBytes += CPktSnapQue::kWireHead;
            continue;
        }
        in.Skip(kFrameFieldsBeforeLength);
        const std::uint32_t length = in.Le32();
        if (in.Failed() || !in.Skip(length)) return false;
        offsets.push_back(at);
        recordBytes += CPktSnapQue::kWireHead + length;
    }
    m_frequency = static_cast<std::int64_t>(low | (high << 32));
    m_bytes = std::move(serialized);
    m_offsets = std::move(offsets);
    m_recordBytes = recordBytes;
    return true;
}

std::int64_t LocalCounterFrequency() noexcept { return 1'000'000'000; }

std::int64_t LocalCounterNow() noexcept {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace capture

// One captured frame as the agent delivers it: capture time, high-resolution stamp, running
// number, first-layer protocol code, wire and captured lengths, and the captured bytes.
//
// A record either owns its bytes (one built by the agent, pcap import or a test, or loaded
// on its own) or looks at bytes a frame batch owns: a batch keeps its frames as the bytes it
// loaded and hands out records that point into them, valid while the batch is unchanged.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/Archive.h"

namespace capture {

class CPktSnapQue {
public:
    // A frame record is this many bytes on the wire before its data.
    static constexpr std::size_t kWireHead = 36;

    CPktSnapQue() = default;
    CPktSnapQue(const CPktSnapQue& other);
    CPktSnapQue& operator=(const CPktSnapQue& other);
    // A moved vector keeps its buffer, so the data view stays right.
    CPktSnapQue(CPktSnapQue&&) noexcept = default;
    CPktSnapQue& operator=(CPktSnapQue&&) noexcept = default;

    std::uint32_t GetCaptureTime() const noexcept { return m_captureTime; }
    // The 64-bit counter value, low half first on the wire.
    std::int64_t GetStamp() const noexcept {
        return static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(m_stampHigh)) << 32) |
                                         m_stampLow);
    }
    std::uint32_t GetFrameNumber() const noexcept { return m_frameNumber; }
    std::uint32_t GetLinkProtocol() const noexcept { return m_linkProtocol; }
    std::uint32_t GetTotalLength() const noexcept { return m_totalLength; }
    std::uint32_t GetCapturedLength() const noexcept { return m_capturedLength; }
    std::span<const std::uint8_t> GetData() const noexcept { return m_data; }
    std::uint32_t GetDataLength() const noexcept { return static_cast<std::uint32_t>(m_data.size()); }

    // Building a record (the agent, pcap import, tests).
    void SetCaptureTime(std::uint32_t seconds) noexcept { m_captureTime = seconds; }
    void SetStamp(std::int64_t stamp) noexcept {
        m_stampLow = static_cast<std::uint32_t>(stamp);
        m_stampHigh = static_cast<std::int32_t>(static_cast<std::uint64_t>(stamp) >> 32);
    }
    void SetFrameNumber(std::uint32_t number) noexcept { m_frameNumber = number; }
    void SetLinkProtocol(std::uint32_t code) noexcept { m_linkProtocol = code; }
    void SetTotalLength(std::uint32_t length) noexcept { m_totalLength = length; }
    void SetCapturedLength(std::uint32_t length) noexcept { m_capturedLength = length; }
    // Copies the bytes: the record owns them from now on.
    void SetData(std::span<const std::uint8_t> bytes);

    // Stores 36 + n bytes, or loads them. A schema word other than 1 ends the load with the
    // fields unchanged; a data length beyond what the archive holds throws end-of-file
    // before anything is allocated.
    void Serialize(core::Archive& ar);

    // A record whose data stays where it is: the 36-byte head at the start of record, the
    // data after it. The caller has checked that record holds the whole frame.
    static CPktSnapQue View(std::span<const std::uint8_t> record) noexcept;
    // Appends the 36-byte head and the data, as Serialize stores them, without an archive.
    void AppendTo(std::vector<std::uint8_t>& out) const;

private:
    std::uint32_t m_captureTime = 0;
    std::uint32_t m_stampLow = 0;
    std::int32_t m_stampHigh = 0;
    std::uint32_t m_frameNumber = 0;
    std::uint32_t m_linkProtocol = 0;
    std::uint32_t m_totalLength = 0;
    std::uint32_t m_capturedLength = 0;
    std::span<const std::uint8_t> m_data;  // m_owned's bytes, or a batch's
    std::vector<std::uint8_t> m_owned;
};

// Milliseconds from one stamp to a later one: one signed 64-bit subtraction of the whole
// stamps, then floating point, so a change of the high half costs nothing.
double MillisecondsBetween(std::int64_t earlier, std::int64_t later, std::int64_t ticksPerSecond) noexcept;

}  // namespace capture

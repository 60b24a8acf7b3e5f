// The decoder set: one decoder per protocol code plus the frame step, and the two chain
// drivers that run them over a frame (summary row, detail tree).
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "capture/CPktSnapQue.h"
#include "core/CPktLockable.h"
#include "decode/CPktDetailLine.h"
#include "decode/CPktParser.h"
#include "decode/CPktParsersConf.h"
#include "decode/CPktSummary.h"
#include "decode/ProtoCode.h"

namespace decode {

class CPktFrameParser;

class CPktParsers : public core::CPktLockable {
public:
    // The tables stay owned by the configuration, which must outlive the decoder set.
    explicit CPktParsers(const decode::CPktParsersConf& conf, core::Locking locking = core::Locking::Unlocked);
    // The same over tables held elsewhere (tests build small ones; they must outlive the set).
    CPktParsers(const tables::CPktEtherNums& etherNums, const tables::CPktIProtNums& protocols,
                const tables::CPktWPortNums& ports, const tables::CPktTCPNums& options,
                core::Locking locking = core::Locking::Unlocked);
    ~CPktParsers() override;

    // The decoder registered for the code; nullptr for any other code.
    const CPktParser* GetParser(ProtoCode code) const;

    // Summary chain: layers below the level limit write the row's texts; returns the bytes
    // consumed by all layers.
    std::uint32_t DecodeSummary(std::uint32_t level, const capture::CPktSnapQue* previous,
                                const capture::CPktSnapQue* frame, CPktSummary& row, std::int64_t tickRate) const;
    // Detail chain: every layer appends its lines below the root; returns the bytes consumed.
    std::uint32_t DecodeDetail(const capture::CPktSnapQue* previous, const capture::CPktSnapQue* frame,
                               CPktDetailLine& root, std::int64_t tickRate) const;

private:
    std::array<std::unique_ptr<CPktParser>, kProtoCodeCount> m_parsers;
    std::unique_ptr<CPktFrameParser> m_frameParser;
};

}  // namespace decode

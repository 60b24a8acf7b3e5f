// The frame step: describes the capture record itself and hands over its link code, which
// picks the first real decoder. It has no code of its own and consumes no bytes.
#pragma once

#include "capture/CPktSnapQue.h"
#include "decode/CPktDetailLine.h"
#include "decode/ProtoCode.h"

namespace decode {

class CPktFrameParser {
public:
    // With no root (summary chain) only the link code is returned; with a root the
    // "Base frame properties" branch is added. deltaMs is whole milliseconds.
    ProtoCode Parse(const capture::CPktSnapQue* frame, CPktDetailLine* root, float deltaMs) const;
};

}  // namespace decode

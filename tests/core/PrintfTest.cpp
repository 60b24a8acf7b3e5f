// printf into strings: texts shorter and longer than the first pass's buffer come out whole,
// and appending keeps what was there.
#include <gtest/gtest.h>

#include <string>

#include "core/Printf.h"

namespace {

TEST(Printf, TextsAroundTheFirstPassBufferComeOutWhole) {
    for (const int length : {0, 1, 254, 255, 256, 257, 4000}) {
        const std::string filler(static_cast<std::size_t>(length), 'x');
        EXPECT_EQ(core::Printf("%s", filler.c_str()), filler) << length;
        std::string out = "kept:";
        core::AppendPrintf(out, "%s|%d", filler.c_str(), length);
        EXPECT_EQ(out, "kept:" + filler + "|" + std::to_string(length)) << length;
    }
    EXPECT_EQ(core::Printf("0x%08x %-4.2s|", 0xABCU, "long"), "0x00000abc lo  |");
}

}  // namespace

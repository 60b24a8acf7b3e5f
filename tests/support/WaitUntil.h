// Waiting for what another thread or program brings about, where the test can only look at
// it: the condition is polled until it holds, within a bound that only a fault reaches. No
// test sleeps for a fixed time instead of waiting for the event it stands for.
#pragma once

#include <chrono>
#include <thread>

namespace support {

// True once condition() holds; false when limit passed first.
template <class Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::minutes(1)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace support

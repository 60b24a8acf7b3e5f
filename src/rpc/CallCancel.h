// What may end one call before the binding's own time-out: an event that another thread
// sets, and a sooner deadline. Several windows share one binding to a host, so closing one
// window cancels only the call that window has in flight, never the binding.
#pragma once

#include "platform/ManualResetEvent.h"
#include "platform/TcpSocket.h"

namespace rpc {

struct CallCancel {
    // Once set, the call in flight ends with 1818 and every later call with this token fails
    // at once. A call cancelled mid-reply leaves its connection unusable; the binding's next
    // call (from any caller) connects again.
    const platform::ManualResetEvent* event = nullptr;
    platform::Deadline deadline = platform::Deadline::max();
};

}  // namespace rpc

// The application's agent bindings, one per host address: every capture window on a host
// shares the first window's binding and agent session. The table owns each binding; windows
// borrow it for as long as they hold a reference.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "rpc/BindingHandle.h"

namespace session {

class AgentBindingTable {
public:
    struct Acquired {
        rpc::BindingHandle* binding = nullptr;  // null until the entry's first window made one
        bool existing = false;                  // the host already had an entry
    };
    struct Released {
        bool last = false;  // the entry is gone
        // The last reference takes the binding back (null when none was made), so that the
        // caller closes the agent session through it; it is freed with this object and is
        // never reached through the table again.
        std::unique_ptr<rpc::BindingHandle> binding;
    };

    // Raises the host's count, or adds it with count 1.
    Acquired Acquire(std::uint32_t address);
    // Hands the binding that the entry's first window made to the table and returns the
    // entry's binding (an earlier one, if another window made one meanwhile).
    rpc::BindingHandle* SetBinding(std::uint32_t address, std::unique_ptr<rpc::BindingHandle> binding);
    // Lowers the host's count and removes the entry at 0. An unknown host changes nothing.
    Released Release(std::uint32_t address);

    std::uint32_t References(std::uint32_t address) const;

private:
    struct Entry {
        std::uint32_t references = 0;
        std::unique_ptr<rpc::BindingHandle> binding;
    };

    mutable std::mutex m_mutex;
    std::map<std::uint32_t, Entry> m_entries;
};

}  // namespace session

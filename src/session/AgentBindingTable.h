// The application's agent bindings, one per host: every capture window on a host shares the
// first window's binding and agent session. The table owns each binding; windows borrow it
// for as long as they hold a reference. A host is keyed by its IPv4 address (KeyOf), so two
// names of one address share; an ssh:// server by its destination's URL, since only ssh
// knows where an alias of ~/.ssh/config leads.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

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

    static std::string KeyOf(std::uint32_t address);

    // Raises the host's count, or adds it with count 1.
    Acquired Acquire(const std::string& host);
    // Hands the binding that the entry's first window made to the table and returns the
    // entry's binding (an earlier one, if another window made one meanwhile).
    rpc::BindingHandle* SetBinding(const std::string& host, std::unique_ptr<rpc::BindingHandle> binding);
    // Lowers the host's count and removes the entry at 0. An unknown host changes nothing.
    Released Release(const std::string& host);

    std::uint32_t References(const std::string& host) const;

private:
    struct Entry {
        std::uint32_t references = 0;
        std::unique_ptr<rpc::BindingHandle> binding;
    };

    mutable std::mutex m_mutex;
    std::map<std::string, Entry, std::less<>> m_entries;
};

}  // namespace session

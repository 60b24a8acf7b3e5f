// Lockable base object: an optional recursive mutex, made only when asked for. Lock and
// Unlock do nothing without it; the thread that holds the lock may take it again.
#pragma once

#include <memory>
#include <mutex>

namespace core {

// Whether an object takes a lock around what it holds: only one that threads share needs it.
enum class Locking : bool { Unlocked, Locked };

class CPktLockable {
public:
    explicit CPktLockable(Locking locking = Locking::Unlocked)
        : m_mutex(locking == Locking::Locked ? std::make_unique<std::recursive_mutex>() : nullptr) {}
    virtual ~CPktLockable() = default;
    CPktLockable(const CPktLockable&) = delete;
    CPktLockable& operator=(const CPktLockable&) = delete;

    void Lock() const {
        if (m_mutex) m_mutex->lock();
    }
    void Unlock() const {
        if (m_mutex) m_mutex->unlock();
    }
    // So that std::scoped_lock and std::unique_lock work on it.
    void lock() const { Lock(); }
    void unlock() const { Unlock(); }
    bool HasLock() const noexcept { return m_mutex != nullptr; }

private:
    mutable std::unique_ptr<std::recursive_mutex> m_mutex;
};

}  // namespace core

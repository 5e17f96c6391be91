#pragma once
// A value that the UI thread and the timer thread both touch. Every access is a relaxed atomic
// load or store, so concurrent use is well defined without a lock; on x86 that compiles to plain
// moves, so the tone path stays as cheap as it was with bare fields. Each value has one writer at
// a time, so the compound assignments (a load then a store) need no read-modify-write.
#include <atomic>

template <typename T> class Shared {
public:
    Shared() noexcept : value(T{}) {}
    Shared(T v) noexcept : value(v) {}
    Shared(const Shared& other) noexcept : value(other.Get()) {}
    Shared& operator=(const Shared& other) noexcept {
        Set(other.Get());
        return *this;
    }
    Shared& operator=(T v) noexcept {
        Set(v);
        return *this;
    }

    T Get() const noexcept { return value.load(std::memory_order_relaxed); }
    void Set(T v) noexcept { value.store(v, std::memory_order_relaxed); }
    operator T() const noexcept { return Get(); }

    Shared& operator+=(T d) noexcept {
        Set(static_cast<T>(Get() + d));
        return *this;
    }
    Shared& operator-=(T d) noexcept {
        Set(static_cast<T>(Get() - d));
        return *this;
    }

private:
    static_assert(std::atomic<T>::is_always_lock_free, "shared values must be lock-free");
    std::atomic<T> value;
};

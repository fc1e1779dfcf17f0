// A statistics field of a probe: written only by its probe on the worker thread, read as a
// whole value from any thread without a lock and without making the writer wait.
#pragma once

#include <atomic>

namespace quorvex {

class DelayTimeProbe;

template <typename T>
class Statistic {
    static_assert(std::atomic<T>::is_always_lock_free);

public:
    explicit Statistic(T initial) noexcept : value_(initial) {}
    Statistic(const Statistic&) = delete;
    Statistic& operator=(const Statistic&) = delete;

    T Load() const noexcept { return value_.load(std::memory_order_relaxed); }
    operator T() const noexcept { return Load(); }

private:
    friend class DelayTimeProbe;
    // Only the single writer stores, so a load-then-store update cannot lose a value.
    void Store(T value) noexcept { value_.store(value, std::memory_order_relaxed); }

    std::atomic<T> value_;
};

}  // namespace quorvex

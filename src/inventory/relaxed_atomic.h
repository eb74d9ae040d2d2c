#pragma once
#include <atomic>

// A field of a board record that the progress display reads while the update stages write
// it. Every access is a relaxed atomic one: a stale value only delays the display by one
// cycle, but no access is ever torn or a data race. Unlike std::atomic it can be copied (a
// copy takes the current value), so records holding it still live in a vector.
template <typename T>
class RelaxedAtomic {
  public:
    RelaxedAtomic(T value = T()) noexcept : value_(value) {}  // NOLINT: converts like T
    RelaxedAtomic(const RelaxedAtomic& other) noexcept : value_(other.load()) {}
    RelaxedAtomic& operator=(const RelaxedAtomic& other) noexcept {
        store(other.load());
        return *this;
    }
    RelaxedAtomic& operator=(T value) noexcept {
        store(value);
        return *this;
    }
    operator T() const noexcept { return load(); }  // NOLINT: reads like T

    T load() const noexcept { return value_.load(std::memory_order_relaxed); }
    void store(T value) noexcept { value_.store(value, std::memory_order_relaxed); }

  private:
    std::atomic<T> value_;
};

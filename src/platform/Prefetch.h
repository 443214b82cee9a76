#pragma once
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace eit {

// Works out `produce(i)` for i = 0 .. count-1 on two threads of its own and
// hands the results out in order: many small files looked at or read one
// after another cost mostly system calls, which two threads share. The
// threads run at most kWindow results ahead of the reader (memory and open
// handles stay bounded) and take kBatch indices at a time (one hand-over per
// batch, not per index). An exception of produce(i) is raised by the Take()
// of index i.
template <typename T>
class Prefetch {
public:
    static constexpr std::size_t kBatch = 64;
    static constexpr std::size_t kWindow = 4 * kBatch;

    Prefetch(std::size_t count, std::function<T(std::size_t)> produce)
        : count_(count), produce_(std::move(produce)), slots_(std::min(count, kWindow))
    {
        const unsigned threads = count > kBatch ? 2 : 1;
        for (unsigned t = 0; t < threads && count > 0; ++t) threads_.emplace_back([this] { Work(); });
    }
    ~Prefetch()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        for (std::thread& thread : threads_) thread.join();
    }
    Prefetch(const Prefetch&) = delete;
    Prefetch& operator=(const Prefetch&) = delete;

    // The result for the next index, waiting for it when it is not ready yet.
    T Take()
    {
        Slot& slot = slots_[taken_ % slots_.size()];
        std::optional<T> value;
        std::exception_ptr error;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return slot.ready; });
            // Emptied before the slot is given back to the threads.
            value.swap(slot.value);
            error = std::exchange(slot.error, nullptr);
            slot.ready = false;
            if (++taken_ % kBatch == 0 || taken_ == count_) changed_.notify_all();
        }
        if (error) std::rethrow_exception(error);
        return std::move(*value);
    }

private:
    struct Slot {
        std::optional<T> value;
        std::exception_ptr error;
        bool ready = false;
    };

    void Work()
    {
        for (;;) {
            const std::size_t start = next_.fetch_add(kBatch);
            if (start >= count_) return;
            const std::size_t end = std::min(count_, start + kBatch);
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return stopping_ || end <= taken_ + slots_.size(); });
                if (stopping_) return;
            }
            for (std::size_t i = start; i < end; ++i) {
                Slot& slot = slots_[i % slots_.size()];
                try {
                    slot.value.emplace(produce_(i));
                } catch (...) {
                    slot.error = std::current_exception();
                }
            }
            {
                std::lock_guard lock(mutex_);
                for (std::size_t i = start; i < end; ++i) slots_[i % slots_.size()].ready = true;
            }
            changed_.notify_all();
        }
    }

    const std::size_t count_;
    const std::function<T(std::size_t)> produce_;
    std::vector<Slot> slots_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<std::size_t> next_ = 0;
    std::size_t taken_ = 0;  // guarded by mutex_
    bool stopping_ = false;
};

}  // namespace eit

#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/File.h"

namespace eit {

// Copies ranges of one source file (a package's items) into files just
// created, on a thread of its own, so that creating the next files and
// copying overlap. When that thread falls behind, the caller copies the next
// range itself: large ranges are then copied two at a time. Each side reads
// the source through a handle of its own. A file whose copy fails, or that is
// still waiting when the copier is destroyed, is removed: no file is ever
// left half-written.
class RangeCopier {
public:
    explicit RangeCopier(const File& source);
    ~RangeCopier();
    RangeCopier(const RangeCopier&) = delete;
    RangeCopier& operator=(const RangeCopier&) = delete;

    // Copies `size` bytes at `offset` of the source into `target`, which is
    // then closed. Raises the first failure of an earlier copy.
    void Copy(File target, std::uint64_t offset, std::uint64_t size);
    // How many copies, counted from the first given, are complete.
    std::size_t Completed();
    // Waits for every copy given; raises the first failure.
    void Finish();

private:
    struct Job {
        File target;
        std::uint64_t offset;
        std::uint64_t size;
        std::size_t index;
    };
    static constexpr std::size_t kQueue = 64;  // copies waiting at most
    static constexpr std::size_t kBatch = 16;  // copies the thread is woken for

    static void CopyRange(File& source, Job& job);
    void Work(File source);
    // Counts copy `index` complete; the lock is held.
    void MarkDone(std::size_t index);
    void RaiseFailure();

    File source_;  // the caller's own handle
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    std::deque<bool> done_;  // of the copies from completed_ on
    std::size_t completed_ = 0;
    std::size_t given_ = 0;
    bool finishing_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread thread_;
};

}  // namespace eit

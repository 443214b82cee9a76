#include "platform/RangeCopier.h"

#include "platform/RewriteAside.h"

namespace eit {

RangeCopier::RangeCopier(const File& source)
    : source_(source.Duplicate()), thread_([this, own = source.Duplicate()]() mutable { Work(std::move(own)); })
{
}

RangeCopier::~RangeCopier()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void RangeCopier::CopyRange(File& source, Job& job)
{
    FillNewFile(job.target, [&](File& out) {
        source.Seek(job.offset);
        out.CopyFrom(source, job.size);
    });
    job.target.Close();
}

void RangeCopier::Copy(File target, std::uint64_t offset, std::uint64_t size)
{
    std::unique_lock lock(mutex_);
    if (failure_) {
        target.Remove();
        RaiseFailure();
    }
    Job job{std::move(target), offset, size, given_++};
    done_.push_back(false);
    if (queue_.size() < kQueue) {
        queue_.push_back(std::move(job));
        if (queue_.size() == kBatch) changed_.notify_all();
        return;
    }
    lock.unlock();
    CopyRange(source_, job);  // a failure here is raised at once; the file is removed
    lock.lock();
    MarkDone(job.index);
}

std::size_t RangeCopier::Completed()
{
    std::lock_guard lock(mutex_);
    RaiseFailure();
    return completed_;
}

void RangeCopier::Finish()
{
    std::unique_lock lock(mutex_);
    finishing_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return completed_ == given_ || failure_; });
    finishing_ = false;
    RaiseFailure();
}

void RangeCopier::MarkDone(std::size_t index)
{
    done_[index - completed_] = true;
    while (!done_.empty() && done_.front()) {
        done_.pop_front();
        ++completed_;
    }
}

void RangeCopier::RaiseFailure()
{
    if (failure_) std::rethrow_exception(failure_);
}

// Copies the queued ranges in order: woken for a batch of them, or to finish,
// it copies until none is left. After a failure, or once the copier is being
// destroyed, the files still queued are removed instead.
void RangeCopier::Work(File source)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || queue_.size() >= kBatch || (finishing_ && !queue_.empty()); });
        if (queue_.empty()) return;  // stopping, with nothing left
        while (!queue_.empty()) {
            Job job = std::move(queue_.front());
            queue_.pop_front();
            if (stopping_ || failure_) {
                job.target.Remove();
                continue;
            }
            lock.unlock();
            std::exception_ptr failure;
            try {
                CopyRange(source, job);
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            if (failure) {
                failure_ = failure;
            } else {
                MarkDone(job.index);
            }
        }
        changed_.notify_all();  // a Finish() may wait for these
    }
}

}  // namespace eit

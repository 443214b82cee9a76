#include "platform/Faults.h"

#include <algorithm>
#include <atomic>

namespace eit::faults {

namespace {
// Atomic: files may be written from more than one thread.
std::atomic<long> failAt = 0;
std::atomic<long> counted = 0;
std::atomic<bool> triggered = false;
std::atomic<long long> kernelCopyLeft = -1;
std::atomic<unsigned long long> kernelCopied = 0;
}  // namespace

void FailOperation(long n)
{
    failAt = n;
    counted = 0;
    triggered = false;
}

long OperationsCounted() { return counted; }

bool Triggered() { return triggered; }

bool InjectedFailure()
{
    if (failAt == 0) return false;
    if (++counted != failAt.load()) return false;
    triggered = true;
    return true;
}

void LimitKernelCopy(long long bytes)
{
    kernelCopyLeft = bytes;
    kernelCopied = 0;
}

unsigned long long KernelCopied() { return kernelCopied; }

std::size_t KernelCopyAllowed(std::size_t n)
{
    const long long left = kernelCopyLeft;
    if (left < 0) return n;
    return static_cast<std::size_t>(std::min<unsigned long long>(n, static_cast<unsigned long long>(left)));
}

void CountKernelCopy(std::size_t n)
{
    kernelCopied += n;
    if (kernelCopyLeft >= 0) kernelCopyLeft -= static_cast<long long>(n);
}

}  // namespace eit::faults

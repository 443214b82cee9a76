#pragma once
#include <cstddef>

namespace eit {

// Test seam: makes the N-th mutating file operation from now on (write,
// truncate or replace, counted together) fail as the disk would.
// Seeks only move the position kept here and cannot fail.
namespace faults {
void FailOperation(long n);  // 0 turns injection off
long OperationsCounted();    // mutating operations since the last FailOperation
bool Triggered();            // whether the planned failure has happened

// The reason an injected failure gives, as a full disk would.
inline constexpr const char* kInjectedReason = "No space left on device";

// Called by the file layer before each mutating operation: counts it, and
// true when this one is planned to fail.
bool InjectedFailure();

// From now on the kernel copies at most `bytes` in all and then refuses, as a
// file system that stops part-way or cannot copy at all (0) would; negative
// lifts the limit (the default). The file layer asks how much of n bytes the
// kernel may copy, and reports what it did copy.
void LimitKernelCopy(long long bytes);
unsigned long long KernelCopied();  // bytes since the last LimitKernelCopy
std::size_t KernelCopyAllowed(std::size_t n);
void CountKernelCopy(std::size_t n);
}  // namespace faults

}  // namespace eit

#pragma once

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
}  // namespace faults

}  // namespace eit

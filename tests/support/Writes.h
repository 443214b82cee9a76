#pragma once
// Whether an action wrote: the failure seam's count of mutating file
// operations, and a file's identity, size and modification time.
#include <limits>
#include <string>

#include "platform/Faults.h"
#include "platform/File.h"

namespace eit::test {

template <class Action>
long WritesOf(Action action)
{
    faults::FailOperation(std::numeric_limits<long>::max());  // counts, never fails
    try {
        action();
    } catch (...) {
        faults::FailOperation(0);
        throw;
    }
    const long writes = faults::OperationsCounted();
    faults::FailOperation(0);
    return writes;
}

inline FileStamp StampOf(const std::string& path) { return File(path, OpenMode::ReadUnlocked).Stamp(); }

}  // namespace eit::test

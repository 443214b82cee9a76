#include "platform/Faults.h"

namespace eit::faults {

namespace {
long failAt = 0;
long counted = 0;
bool triggered = false;
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
    if (++counted != failAt) return false;
    triggered = true;
    return true;
}

}  // namespace eit::faults

#pragma once
// The text of the error an action raises, for comparing messages whole.
#include <string>

#include "platform/Error.h"

namespace eit::test {

template <class Action>
std::string ErrorOf(Action action)
{
    try {
        action();
    } catch (const ToolError& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace eit::test

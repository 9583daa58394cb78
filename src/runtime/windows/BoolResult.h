// The result of a Windows call that answers with a BOOL, as the gateway
// reads results: -1 for a failure, so that the last-error value is taken.
#pragma once

#include <windows.h>

namespace corvel {

inline long long boolResult(BOOL done) { return done ? 1 : -1; }

}  // namespace corvel

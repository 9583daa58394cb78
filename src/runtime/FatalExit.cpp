// The end of the process after a fatal run-time error: the registered hook
// (which restores the terminal) runs once, then the process exits with 255.
#include <atomic>

#include "runtime/RuntimeError.h"

namespace corvel {

namespace {
std::atomic<ExitHook> exitHook{nullptr};
std::atomic<bool> exiting{false};
}  // namespace

void setFatalExitHook(ExitHook hook) { exitHook.store(hook); }

void fatalExit() {
    // A hook that itself ends in a fatal error must not run again.
    if (!exiting.exchange(true)) {
        if (ExitHook hook = exitHook.load()) hook();
    }
    endProcessNow(255);
}

}  // namespace corvel

// The one gateway through which the run-time services make operating-system
// calls: one process-wide lock, the raw result and errno handed back, and a
// seam through which a test makes a chosen call fail or write short.
#pragma once

#include <cerrno>
#include <cstddef>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvel {

struct SystemResult {
    long long value = 0;  // the call's raw result; -1 when it failed
    int error = 0;        // errno of a failed call, 0 after success
    bool failed() const { return value == -1; }
};

// A fault a test plants for a named call ("open", "write", "flock", ...).
struct SystemCallFault {
    std::string call;
    int occurrence = 0;  // the n-th call of that name from planting; 0: every one
    int error = 0;       // the call fails with this errno without being made
    // For "write" only (with error 0): the write passes at most this many bytes.
    std::optional<std::size_t> writeLimit;
    // The call is made all the same and then reported as failed, as a close
    // that reports a late write error after releasing the descriptor.
    bool afterCall = false;
    // The call is not made and std::bad_alloc thrown instead, as when memory
    // runs out inside the service that makes it.
    bool outOfMemory = false;
};

// Replaces the planted faults and restarts the per-name call counts.
void plantSystemCallFaults(std::vector<SystemCallFault> faults);
void clearSystemCallFaults();

namespace detail {
struct SystemCallPlan {
    int failWith = 0;
    bool afterCall = false;
    bool outOfMemory = false;
    std::optional<std::size_t> writeLimit;
};
std::unique_lock<std::mutex> lockSystemCalls();
// Counts the call and says what the planted faults make of it; the caller
// holds the lock.
SystemCallPlan planSystemCall(std::string_view name);
}  // namespace detail

// Makes call() (which returns -1 and sets errno on failure, like the POSIX
// calls) under the process-wide lock, unless a planted fault fails it.
template <class Call>
SystemResult callSystem(std::string_view name, Call&& call) {
    auto lock = detail::lockSystemCalls();
    detail::SystemCallPlan plan = detail::planSystemCall(name);
    if (plan.outOfMemory) throw std::bad_alloc();
    if (plan.failWith != 0 && !plan.afterCall) return {-1, plan.failWith};
    errno = 0;
    long long value = static_cast<long long>(call());
    if (plan.failWith != 0) return {-1, plan.failWith};
    return {value, value == -1 ? errno : 0};
}

// write(2) through the gateway; a planted write limit makes it short.
SystemResult systemWrite(int fd, const void* data, std::size_t size);

}  // namespace corvel

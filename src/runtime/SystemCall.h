// The one gateway through which the run-time services make operating-system
// calls: one process-wide lock, the raw result and the platform's error
// number handed back, and a seam through which a test makes a chosen call
// fail or write short.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvel {

struct SystemResult {
    long long value = 0;  // the call's raw result; -1 when it failed
    int error = 0;        // the platform's error number of a failed call, 0 after success
    bool failed() const { return value == -1; }
};

// The run-time error code of one of the platform's error numbers (errno on
// POSIX, the last-error value on Windows); 0 stays 0.
std::uint8_t systemErrorCode(int error);
// The run-time error code of a call's result: 0 after success, the mapped
// code of its error number after a failure (51 when it named none).
std::uint8_t failureCode(const SystemResult& result);

// A fault a test plants for a named call ("open", "write", "flock", ...).
struct SystemCallFault {
    std::string call;
    int occurrence = 0;  // the n-th call of that name from planting; 0: every one
    int error = 0;       // the call fails with this error number without being made
    // For writes only (with error 0): the write passes at most this many bytes.
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

// The platform's part around one call: clear its error number (and on
// Windows keep the system's error boxes away), then read it back and put
// back what was changed.
struct PlatformCallState {
    unsigned long saved = 0;
};
PlatformCallState beginPlatformCall();
int endPlatformCall(PlatformCallState state);
}  // namespace detail

// Makes call() under the process-wide lock, unless a planted fault fails it.
// call() returns -1 on failure (a Windows call's own failure result is
// turned into -1 by the caller's lambda) and leaves the platform's error
// number set.
template <class Call>
SystemResult callSystem(std::string_view name, Call&& call) {
    auto lock = detail::lockSystemCalls();
    detail::SystemCallPlan plan = detail::planSystemCall(name);
    if (plan.outOfMemory) throw std::bad_alloc();
    if (plan.failWith != 0 && !plan.afterCall) return {-1, plan.failWith};
    const detail::PlatformCallState state = detail::beginPlatformCall();
    long long value = static_cast<long long>(call());
    const int error = detail::endPlatformCall(state);
    if (plan.failWith != 0) return {-1, plan.failWith};
    return {value, value == -1 ? error : 0};
}

// A write of size bytes through the gateway: write(size) makes the call
// with the size it is given, which a planted write limit makes smaller.
template <class Write>
SystemResult callSystemWrite(std::string_view name, std::size_t size, Write&& write) {
    auto lock = detail::lockSystemCalls();
    detail::SystemCallPlan plan = detail::planSystemCall(name);
    if (plan.outOfMemory) throw std::bad_alloc();
    if (plan.failWith != 0 && !plan.afterCall) return {-1, plan.failWith};
    if (plan.writeLimit) size = std::min(size, *plan.writeLimit);
    const detail::PlatformCallState state = detail::beginPlatformCall();
    long long value = static_cast<long long>(write(size));
    const int error = detail::endPlatformCall(state);
    if (plan.failWith != 0) return {-1, plan.failWith};
    return {value, value == -1 ? error : 0};
}

}  // namespace corvel

// The system-call lock and the planted-fault bookkeeping of the gateway.
#include "runtime/SystemCall.h"

#include <map>

namespace corvel {

namespace {

std::mutex& callMutex() {
    static std::mutex mutex;
    return mutex;
}

struct FaultBook {
    std::vector<SystemCallFault> faults;
    std::map<std::string, int, std::less<>> counts;
};

// Only touched with the call lock held.
FaultBook& faultBook() {
    static FaultBook book;
    return book;
}

}  // namespace

void plantSystemCallFaults(std::vector<SystemCallFault> faults) {
    std::lock_guard lock(callMutex());
    faultBook().faults = std::move(faults);
    faultBook().counts.clear();
}

void clearSystemCallFaults() { plantSystemCallFaults({}); }

namespace detail {

std::unique_lock<std::mutex> lockSystemCalls() {
    return std::unique_lock(callMutex());
}

SystemCallPlan planSystemCall(std::string_view name) {
    FaultBook& book = faultBook();
    SystemCallPlan plan;
    if (book.faults.empty()) return plan;
    auto found = book.counts.find(name);
    if (found == book.counts.end()) found = book.counts.emplace(std::string(name), 0).first;
    const int occurrence = ++found->second;
    for (const SystemCallFault& fault : book.faults) {
        if (fault.call != name) continue;
        if (fault.occurrence != 0 && fault.occurrence != occurrence) continue;
        if (fault.error != 0) {
            plan.failWith = fault.error;
            plan.afterCall = fault.afterCall;
        }
        if (fault.writeLimit) plan.writeLimit = fault.writeLimit;
        if (fault.outOfMemory) plan.outOfMemory = true;
    }
    return plan;
}

}  // namespace detail

std::uint8_t failureCode(const SystemResult& result) {
    if (!result.failed()) return 0;
    return result.error != 0 ? systemErrorCode(result.error) : 51;
}

}  // namespace corvel

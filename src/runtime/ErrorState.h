// Run-time error state of one running routine: raise, deliver after the
// statement, take and leave. Delivery to a fault target is a FaultTransfer
// thrown out of deliverPendingError(); the routine that set the target
// catches it and continues there.
#pragma once

#include <cstdint>

namespace corvel {

// A fault target is a number the routine gives its own labels; 0 is none.
using FaultTarget = int;
inline constexpr FaultTarget noFaultTarget = 0;

// Thrown by deliverPendingError() when a pending error goes to a target.
struct FaultTransfer {
    FaultTarget target;
};

class ErrorState {
public:
    // The numbered line label last passed; copied to faultLabel on a raise.
    std::uint16_t lineLabel = 0;

    // Records code (0 becomes 51). Codes 241 and above end the process at
    // once with exit code 255.
    void raiseRuntimeError(int code);
    // The after-statement check: a pending error goes to the fault target
    // (throws FaultTransfer), or stays recorded when there is none.
    void deliverPendingError();
    // Stores the target and drops a pending error.
    void setFaultTarget(FaultTarget target);

    std::uint8_t currentErrorCode() const { return code_; }
    // Returns the code and clears the whole state.
    std::uint8_t takeErrorCode();
    std::uint16_t faultLabel() const { return labelValid_ ? faultLabel_ : 0; }
    void leaveFaultHandler();

    bool pending() const { return pending_; }
    bool handlerActive() const { return handlerActive_; }

private:
    std::uint8_t code_ = 0;
    bool pending_ = false;
    bool handlerActive_ = false;
    bool labelValid_ = false;
    std::uint16_t faultLabel_ = 0;
    FaultTarget target_ = noFaultTarget;
};

}  // namespace corvel

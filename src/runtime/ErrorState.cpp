// Raise, deliver, take and leave: the life of one routine's error state.
#include "runtime/ErrorState.h"

#include "runtime/RuntimeError.h"

namespace corvel {

void ErrorState::raiseRuntimeError(int code) {
    // Codes are 1..255; 0 or anything outside the byte is an internal error
    // (a wrapped 256 must not read as "No Error", nor -1 as a fatal 255).
    if (code <= 0 || code > 255) code = 51;
    code_ = static_cast<std::uint8_t>(code);
    pending_ = true;
    labelValid_ = true;
    handlerActive_ = false;
    faultLabel_ = lineLabel;
    if (code >= 241) fatalExit();
}

void ErrorState::deliverPendingError() {
    if (!pending_) return;
    pending_ = false;
    if (target_ == noFaultTarget) return;
    handlerActive_ = true;
    throw FaultTransfer{target_};
}

void ErrorState::setFaultTarget(FaultTarget target) {
    target_ = target;
    pending_ = false;
}

std::uint8_t ErrorState::takeErrorCode() {
    std::uint8_t code = code_;
    code_ = 0;
    pending_ = false;
    handlerActive_ = false;
    labelValid_ = false;
    return code;
}

void ErrorState::leaveFaultHandler() {
    pending_ = false;
    handlerActive_ = false;
}

}  // namespace corvel

// The fault screen: reports a delivered run-time error in one line, sounds
// the alert and the tone, lets the panel wait for a key (the screen one
// does); the program end follows.
#include "app/Form.h"

#include "runtime/RuntimeError.h"

namespace corvel {
namespace {
// The line label the fault screen runs under.
constexpr std::uint16_t faultScreenLabel = 10000;
}  // namespace

void Form::showFaultScreen() {
    // The label and message must be read before takeErrorCode clears them.
    const std::uint16_t label = errors_.faultLabel();
    const std::string message(errorMessage(errors_.currentErrorCode()));
    const std::uint8_t code = errors_.takeErrorCode();
    lineLabel() = faultScreenLabel;
    // The fault screen's own faults say nothing about the file.
    if (label != faultScreenLabel) lastFaultCode_ = code;
    panel_.faultAlert();
    // A fault raised by the fault screen itself (its tone could not start)
    // is reported without trying the tone again, so the screen is not
    // entered over and over.
    if (label != faultScreenLabel) playErrorTone();
    panel_.reportFault(label, code, message);
    errors_.leaveFaultHandler();
}

}  // namespace corvel

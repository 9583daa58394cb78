#include "console/posix/KeyboardProtocol.h"

namespace corvel::posix {

std::optional<TerminalReply> terminalReply(std::string_view parameters, char final) {
    if (parameters.empty() || parameters[0] != '?') return std::nullopt;
    for (char c : parameters.substr(1)) {
        if (c != ';' && (c < '0' || c > '9')) return std::nullopt;
    }
    if (final == 'u') return TerminalReply{TerminalReply::keyboardFlags};
    if (final == 'c') return TerminalReply{TerminalReply::deviceAttributes};
    return std::nullopt;
}

bool KeyboardProtocol::take(const TerminalReply& reply) {
    if (answered_) return false;  // late or unasked: ignored
    if (reply.kind == TerminalReply::deviceAttributes) {
        answered_ = true;
        return false;
    }
    if (supported_) return false;
    supported_ = true;
    return true;
}

}  // namespace corvel::posix

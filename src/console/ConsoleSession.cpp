// Start-up and shutdown of the console session.
#include "console/ConsoleSession.h"

namespace corvel {

void ConsoleSession::startSession(ConsoleDevice& device, std::string commandTail) {
    device_ = &device;
    screen_ = std::make_unique<ConsoleScreen>(device);
    keyboard_ = std::make_unique<ConsoleKeyboard>(device, *screen_);
    commandTail_ = withoutControlBytes(commandTail);
    device.setDefaultAttribute(screen_->attribute());
}

int ConsoleSession::endSession(int exitCode) {
    if (device_ != nullptr) device_->present();
    keyboard_.reset();
    screen_.reset();
    device_ = nullptr;
    return exitCode;
}

std::string withoutControlBytes(std::string_view tail) {
    std::string kept;
    for (char c : tail) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 32 && b != 127) || b == '\t') kept += c;
    }
    return kept;
}

std::string commandTailFromArguments(int argc, const char* const* argv) {
    std::string tail;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) tail += ' ';
        tail += argv[i];
    }
    return tail;
}

std::string commandTailFromCommandLine(std::string_view line) {
    std::size_t i = 0;
    if (!line.empty() && line[0] == '"') {
        std::size_t close = line.find('"', 1);
        if (close == std::string_view::npos) return {};
        i = close + 1;
    } else {
        while (i < line.size() && static_cast<unsigned char>(line[i]) > 32) ++i;
    }
    bool endedAtControl = i >= line.size() || static_cast<unsigned char>(line[i]) < 32;
    if (!endedAtControl) {
        while (i < line.size() && line[i] == ' ') ++i;
    }
    return std::string(line.substr(i));
}

}  // namespace corvel

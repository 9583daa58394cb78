// The line device on the Windows standard handles: lines read with the
// console's own line input (its editing and history keys) or, redirected,
// from the file or pipe; text written with WriteConsoleW, or WriteFile
// when redirected. The console's modes are never touched.
#pragma once

#include "console/LineDevice.h"
#include "console/LineReader.h"
#include "runtime/CommandService.h"

namespace corvel::windows {

class ConsoleLines final : public LineDevice, public SharedConsole {
public:
    ConsoleLines();

    std::optional<std::string> readLine() override;
    bool echoesInput() const override { return inputIsConsole_; }
    void write(std::string_view text) override;
    void endLine() override;
    void writeError(std::string_view line) override;

    // A child shares the console as it is: nothing drawn here to show or
    // take back.
    void beforeChild() override {}
    void afterChild() override {}
    // Plain mode draws no screen, so the console-size command sizes nothing.
    void sizeForForm(int, int) override {}

private:
    std::size_t readInput(char* buffer, std::size_t size);
    void writeTo(void* handle, bool console, std::string_view text, std::string_view ending);

    void* input_;
    void* output_;
    void* error_;
    bool inputIsConsole_;
    bool outputIsConsole_;
    bool errorIsConsole_;
    LineReader reader_;
};

}  // namespace corvel::windows

// An in-memory line device: scripted lines in (code page 437 already), all
// output and error lines kept for tests to read back.
#pragma once

#include <deque>
#include <string>

#include "console/LineDevice.h"

namespace corvel {

class MemoryLines final : public LineDevice {
public:
    // Lines to read, in order; after the last one the input has ended.
    void pushLine(std::string line) { input_.push_back(std::move(line)); }

    std::optional<std::string> readLine() override {
        if (input_.empty()) return std::nullopt;
        std::string line = std::move(input_.front());
        input_.pop_front();
        return line;
    }
    bool echoesInput() const override { return echoes_; }
    void write(std::string_view text) override { output_ += text; }
    void endLine() override { output_ += "\r\n"; }
    void writeError(std::string_view line) override { errors_ += std::string(line) + "\n"; }

    void setEchoesInput(bool echoes) { echoes_ = echoes; }
    const std::string& output() const { return output_; }
    const std::string& errors() const { return errors_; }

private:
    std::deque<std::string> input_;
    std::string output_;
    std::string errors_;
    bool echoes_ = true;
};

}  // namespace corvel

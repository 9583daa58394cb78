// The line device on POSIX descriptors (standard input, output and error):
// lines read with the terminal's own line editing or from a file or pipe,
// typed characters taken in the terminal's character set as keys are, text
// written out in it. The terminal's settings are never touched.
#pragma once

#include "console/LineDevice.h"
#include "console/LineReader.h"
#include "console/posix/Charset.h"

namespace corvel::posix {

class StreamLines final : public LineDevice {
public:
    StreamLines(int input, int output, int error, Charset charset);

    std::optional<std::string> readLine() override;
    bool echoesInput() const override { return echoes_; }
    void write(std::string_view text) override;
    void endLine() override;
    void writeError(std::string_view line) override;

private:
    int output_;
    int error_;
    Charset charset_;
    bool echoes_;
    LineReader reader_;
};

}  // namespace corvel::posix

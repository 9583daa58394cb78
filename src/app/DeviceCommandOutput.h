// The command runner's output on a console device: built-ins act on the
// device, a child's output is carried into the grid as processed stream
// output and shown at once.
#pragma once

#include <string_view>

#include "console/StreamOutput.h"
#include "runtime/CommandOutput.h"

namespace corvel {

class ConsoleDevice;

class DeviceCommandOutput final : public CommandOutput {
public:
    explicit DeviceCommandOutput(ConsoleDevice& device) : device_(device), stream_(device) {}
    void resize(int columns, int rows) override;
    void clear() override;
    void alert() override;
    void childStarting(bool waited) override;
    void write(std::string_view bytes) override;
    void childEnded(bool waited) override;

private:
    ConsoleDevice& device_;
    StreamOutput stream_;
};

}  // namespace corvel

// The command runner's output on a console device.
#include "app/DeviceCommandOutput.h"

#include "console/ConsoleDevice.h"

namespace corvel {

void DeviceCommandOutput::resize(int columns, int rows) {
    device_.resize(columns != 0 ? columns : device_.width(), rows != 0 ? rows : device_.height());
}

void DeviceCommandOutput::clear() {
    const int cells = device_.width() * device_.height();
    device_.fillCharacters(1, 1, cells, ' ');
    device_.fillAttributes(1, 1, cells, device_.defaultAttribute());
    device_.setCursor(1, 1);
}

void DeviceCommandOutput::alert() { device_.alert(); }

void DeviceCommandOutput::childStarting(bool waited) {
    device_.present();
    if (waited) device_.setChildRunning(true);
}

void DeviceCommandOutput::write(std::string_view bytes) {
    stream_.write(bytes);
    device_.present();
}

void DeviceCommandOutput::childEnded(bool waited) {
    if (waited) device_.setChildRunning(false);
}

}  // namespace corvel

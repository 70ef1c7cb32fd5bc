#include "platform/qt_device_port.h"

namespace quilmo {

QtDevicePort::QtDevicePort() {
    passCallbacksOn(serial_);
    passCallbacksOn(tcp_);
}

QtDevicePort::~QtDevicePort() {
    onReceive = nullptr;
    onConnectionChanged = nullptr;
    onOpenFailed = nullptr;
    close();
}

// The inner ports call whatever this one is given at the time of the call, so the
// window may set its callbacks before or after the open.
void QtDevicePort::passCallbacksOn(SerialPort& inner) {
    inner.onReceive = [this] {
        if (onReceive) onReceive();
    };
    inner.onConnectionChanged = [this](bool connected) {
        if (onConnectionChanged) onConnectionChanged(connected);
    };
    inner.onOpenFailed = [this](const std::string& reason) {
        if (onOpenFailed) onOpenFailed(reason);
    };
}

bool QtDevicePort::open(const PortSettings& settings, std::string& error) {
    close();
    if (isNetworkDeviceText(settings.devicePath)) {
        active_ = &tcp_;
    } else {
        active_ = &serial_;
    }
    return active_->open(settings, error);
}

void QtDevicePort::write(std::string_view bytes) {
    if (active_ != nullptr) active_->write(bytes);
}

void QtDevicePort::connectionVerified() {
    if (active_ != nullptr) active_->connectionVerified();
}

void QtDevicePort::dropConnection() {
    if (active_ != nullptr) active_->dropConnection();
}

void QtDevicePort::close() {
    if (active_ != nullptr) active_->close();
    active_ = nullptr;
}

}  // namespace quilmo

#include "app/port_status.h"

#include "platform/device_text.h"

namespace quilmo {

std::string settingsText(const Settings& s) {
    // A non-negative baud rate takes a blank where the minus sign would stand.
    std::string text = s.baudRate < 0 ? std::to_string(s.baudRate) : " " + std::to_string(s.baudRate);
    text += "," + s.parity;
    text += "," + std::to_string(s.dataBits);
    text += "," + std::to_string(s.stopBits);
    return text;
}

int flowControlMode(const Settings& s) {
    return (s.xonXoff == 1 ? 1 : 0) + (s.rtsEnable == 1 ? 2 : 0);
}

std::string portDisplayName(const Settings& s) {
    if (!s.device.empty()) return s.device;
    return "COM" + std::to_string(s.comPort);
}

std::string portDevicePath(const Settings& s) {
    if (!s.device.empty()) return s.device;
    // COM1 is the first serial port, which Linux calls ttyS0. Widened so COM with
    // the smallest 32-bit value does not overflow.
    return "/dev/ttyS" + std::to_string(static_cast<long long>(s.comPort) - 1);
}

bool usesNetwork(const Settings& s) {
    return isNetworkDeviceText(s.device);
}

namespace {

// Line settings mean nothing to a TCP connection; only the buffer sizes are shown for it.
std::string statusDetails(const Settings& s) {
    std::string text;
    if (!usesNetwork(s)) {
        text = "," + settingsText(s);
        if (s.xonXoff == 1) text += ",XonXoff";
        if (s.rtsEnable == 1) text += ",RTS";
    }
    text += "  buffer:" + std::to_string(s.rxBufferSize) + "/" + std::to_string(s.txBufferSize);
    return text;
}

std::string stateText(PortState state, bool network) {
    switch (state) {
        case PortState::Open: return "";
        case PortState::Opening: return "  - connecting";
        case PortState::NotOpen: return "  - not open";
        case PortState::Lost: return network ? "  - lost, reconnecting" : "  - device lost, waiting";
    }
    return "";
}

StatusTone toneOf(PortState state) {
    switch (state) {
        case PortState::Open: return StatusTone::Quiet;
        case PortState::Opening: return StatusTone::Waiting;
        case PortState::NotOpen:
        case PortState::Lost: return StatusTone::Alarm;
    }
    return StatusTone::Alarm;
}

}  // namespace

PortStatusLine portStatusLine(const Settings& s, PortState state) {
    return {portDisplayName(s), statusDetails(s), stateText(state, usesNetwork(s)), toneOf(state)};
}

std::string statusLabelText(const Settings& s) {
    return portStatusLine(s, PortState::Open).text();
}

std::string kissStatusText(const Settings& s, std::uint64_t dropped) {
    if (s.kiss != 1) return {};
    return "  KISS dropped: " + std::to_string(dropped);
}

PortSettings portSettingsFrom(const Settings& s) {
    PortSettings p;
    p.devicePath = portDevicePath(s);
    p.baudRate = s.baudRate;
    p.parity = s.parity.empty() ? 'n' : s.parity[0];
    p.dataBits = s.dataBits;
    p.stopBits = s.stopBits;
    p.flowControl = flowControlMode(s);
    p.rtsOn = s.rtsLineOn == 1;
    p.dtrOn = s.dtrLineOn == 1;
    p.rxBufferSize = s.rxBufferSize;
    p.txBufferSize = s.txBufferSize;
    return p;
}

std::string openFailureText(const Settings& s, const std::string& reason, PortOpenProblem problem,
                            const std::string& filesFolder, const std::string& deviceGroup) {
    std::string text = portDisplayName(s);
    // COM numbers are the settings' names; the device behind them is what the system knows.
    if (s.device.empty()) text += " (" + portDevicePath(s) + ")";
    text += "\r\n" + reason;
    const std::string ini = filesFolder.empty() ? std::string("Quilmo.ini") : filesFolder + "/Quilmo.ini";
    switch (problem) {
        case PortOpenProblem::NoSuchDevice:
            text += "\r\nSet DEVICE= in " + ini + " to your TNC's device (e.g. /dev/ttyUSB0); Quilmo opens it as soon as it is there.";
            break;
        case PortOpenProblem::PermissionDenied:
            text += "\r\nYour user may not use " + portDevicePath(s) + ": join the group " +
                    (deviceGroup.empty() ? std::string("dialout") : deviceGroup) +
                    " (sudo usermod -aG " + (deviceGroup.empty() ? std::string("dialout") : deviceGroup) +
                    " $USER) and log in again. The settings are in " + ini + ".";
            break;
        case PortOpenProblem::Other: break;
    }
    return text;
}

}  // namespace quilmo

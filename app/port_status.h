#pragma once
#include <cstdint>
#include <string>

#include "app/config.h"
#include "platform/serial_port.h"

namespace quilmo {

// " 2400,n,8,1"
std::string settingsText(const Settings& s);
// 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both
int flowControlMode(const Settings& s);
// "COM1" or the DEVICE= path: how the port is named to the user.
std::string portDisplayName(const Settings& s);
// DEVICE= names a network connection rather than a serial device.
bool usesNetwork(const Settings& s);
// The device to open: DEVICE= when set, else /dev/ttyS(n-1).
std::string portDevicePath(const Settings& s);
// How the status line looks: the usual grey while open, a waiting colour while a
// connection is being made, an alarm while the device is lost or not open.
enum class StatusTone { Quiet, Waiting, Alarm };

// The status line in parts, so the window can shorten the device text alone (it may be
// a long path) and keep the state in sight. Further facts go at the end of `details`.
struct PortStatusLine {
    std::string device;   // "COM1", the DEVICE= path or tcp://HOST:PORT
    std::string details;  // ", 2400,n,8,1,XonXoff,RTS  buffer:512/32"; a network link has only the buffers
    std::string state;    // empty while open, else what is wrong, e.g. "  - not open"
    StatusTone tone = StatusTone::Quiet;

    std::string text() const { return device + details + state; }
};

PortStatusLine portStatusLine(const Settings& s, PortState state);
// The open status line: "COM1, 2400,n,8,1,XonXoff,RTS  buffer:512/32".
std::string statusLabelText(const Settings& s);
// "  KISS dropped: 3" in KISS mode, to follow the status label's text; empty otherwise.
std::string kissStatusText(const Settings& s, std::uint64_t dropped);
// The port set-up taken from the corrected settings.
PortSettings portSettingsFrom(const Settings& s);
// Message box text for a port that failed to open: the port's name with its device path,
// CR LF, the reason. A device that is missing or forbidden gets one more line of help:
// where Quilmo.ini is (`filesFolder`), and for a forbidden one the group that may use it
// (`deviceGroup`, empty when unknown).
std::string openFailureText(const Settings& s, const std::string& reason, PortOpenProblem problem = PortOpenProblem::Other,
                            const std::string& filesFolder = {}, const std::string& deviceGroup = {});

}  // namespace quilmo

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
// The device to open: DEVICE= when set, else /dev/ttyS(n-1).
std::string portDevicePath(const Settings& s);
// "COM1, 2400,n,8,1,XonXoff,RTS  buffer:512/32"
std::string statusLabelText(const Settings& s);
// "  KISS dropped: 3" in KISS mode, to follow the status label's text; empty otherwise.
std::string kissStatusText(const Settings& s, std::uint64_t dropped);
// The port set-up taken from the corrected settings.
PortSettings portSettingsFrom(const Settings& s);
// Message box text for a port that failed to open: the port's name, CR LF, the reason.
std::string openFailureText(const Settings& s, const std::string& reason);

}  // namespace quilmo

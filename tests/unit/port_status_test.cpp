#include "app/port_status.h"

#include <gtest/gtest.h>

#include <string>

namespace quilmo {
namespace {

struct LabelCase {
    const char* name;
    std::string file;
    std::string label;
};

class StatusLabel : public ::testing::TestWithParam<LabelCase> {};

TEST_P(StatusLabel, readsAsTheUserSeesIt) {
    EXPECT_EQ(statusLabelText(parseConfiguration(GetParam().file)), GetParam().label);
}

const LabelCase kLabels[] = {
    {"defaults", "", "COM1, 2400,n,8,1  buffer:512/32"},
    {"everythingOn", "XONXOFF=1\nRTS=1\n", "COM1, 2400,n,8,1,XonXoff,RTS  buffer:512/32"},
    {"xonXoffOnly", "XONXOFF=1\n", "COM1, 2400,n,8,1,XonXoff  buffer:512/32"},
    {"rtsOnly", "RTS=1\n", "COM1, 2400,n,8,1,RTS  buffer:512/32"},
    {"negativeBaud_minusInsteadOfBlank", "BAUD=-300\n", "COM1,-300,n,8,1  buffer:512/32"},
    {"otherLineParameters", "COM=3\nBAUD=9600\nPARITY=e\nBIT=7\nSTOP=2\n", "COM3, 9600,e,7,2  buffer:512/32"},
    {"fastBaud", "BAUD=115200\n", "COM1, 115200,n,8,1  buffer:512/32"},
    {"buffers", "BUFFERRX=4096\nBUFFERTX=-1\n", "COM1, 2400,n,8,1  buffer:4096/-1"},
    {"device_replacesComName", "COM=4\nDEVICE=/dev/ttyUSB0\n", "/dev/ttyUSB0, 2400,n,8,1  buffer:512/32"},
};
INSTANTIATE_TEST_SUITE_P(Labels, StatusLabel, ::testing::ValuesIn(kLabels),
                         [](const auto& info) { return std::string(info.param.name); });

struct FlowCase {
    const char* name;
    std::string file;
    int mode;
};

class FlowControl : public ::testing::TestWithParam<FlowCase> {};

TEST_P(FlowControl, modeFromTheTwoFlags) {
    const Settings s = parseConfiguration(GetParam().file);
    EXPECT_EQ(flowControlMode(s), GetParam().mode);
    EXPECT_EQ(portSettingsFrom(s).flowControl, GetParam().mode);
}

const FlowCase kFlows[] = {
    {"none", "", 0},
    {"software", "XONXOFF=1\n", 1},
    {"hardware", "RTS=1\n", 2},
    {"both", "XONXOFF=1\nRTS=1\n", 3},
    {"rtsOutOfRange_isNone", "RTS=2\n", 0},
};
INSTANTIATE_TEST_SUITE_P(Modes, FlowControl, ::testing::ValuesIn(kFlows),
                         [](const auto& info) { return std::string(info.param.name); });

struct DeviceCase {
    const char* name;
    std::string file;
    std::string display;
    std::string path;
};

class PortNaming : public ::testing::TestWithParam<DeviceCase> {};

TEST_P(PortNaming, displayNameAndDevice) {
    const Settings s = parseConfiguration(GetParam().file);
    EXPECT_EQ(portDisplayName(s), GetParam().display);
    EXPECT_EQ(portDevicePath(s), GetParam().path);
    EXPECT_EQ(portSettingsFrom(s).devicePath, GetParam().path);
}

const DeviceCase kDevices[] = {
    {"com1_isTtyS0", "", "COM1", "/dev/ttyS0"},
    {"com12_isTtyS11", "COM=12\n", "COM12", "/dev/ttyS11"},
    {"device_overridesCom", "COM=3\nDEVICE=/dev/ttyACM0\n", "/dev/ttyACM0", "/dev/ttyACM0"},
    {"negativeCom_namesNoDevice", "COM=-1\n", "COM-1", "/dev/ttyS-2"},
};
INSTANTIATE_TEST_SUITE_P(Names, PortNaming, ::testing::ValuesIn(kDevices),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PortSettingsFrom, carriesTheLineParameters) {
    const PortSettings p =
        portSettingsFrom(parseConfiguration("BAUD=9600\nPARITY=o\nBIT=7\nSTOP=2\nRTS=1\nBUFFERRX=100\nBUFFERTX=10\n"));
    EXPECT_EQ(p.baudRate, 9600);
    EXPECT_EQ(p.parity, 'o');
    EXPECT_EQ(p.dataBits, 7);
    EXPECT_EQ(p.stopBits, 2);
    EXPECT_TRUE(p.rtsOn);
    EXPECT_TRUE(p.dtrOn);
    EXPECT_EQ(p.rxBufferSize, 100);
    EXPECT_EQ(p.txBufferSize, 10);
}

TEST(OpenFailureText, namesThePortThenTheReason) {
    EXPECT_EQ(openFailureText(parseConfiguration("COM=3\n"), "No such file or directory"),
              "COM3\r\nNo such file or directory");
    EXPECT_EQ(openFailureText(parseConfiguration("DEVICE=/dev/ttyUSB9\n"), "Permission denied"),
              "/dev/ttyUSB9\r\nPermission denied");
}

}  // namespace
}  // namespace quilmo

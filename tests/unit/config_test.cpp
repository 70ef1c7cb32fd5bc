#include "app/config.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>

#include "platform/files.h"

namespace quilmo {
namespace {

using Int = std::int32_t Settings::*;
using Text = std::string Settings::*;

struct IntCase {
    const char* name;
    std::string file;
    Int field;
    std::int32_t expected;
};

void PrintTo(const IntCase& c, std::ostream* os) { *os << c.name; }

class ConfigNumbers : public ::testing::TestWithParam<IntCase> {};

TEST_P(ConfigNumbers, valueAfterReadingAndCorrection) {
    const IntCase& c = GetParam();
    EXPECT_EQ(parseConfiguration(c.file).*c.field, c.expected) << c.file;
}

const IntCase kPresentButEmpty[] = {
    {"com", "COM=\n", &Settings::comPort, 1},
    {"baud", "BAUD=\n", &Settings::baudRate, 2400},
    {"bit", "BIT=\n", &Settings::dataBits, 8},
    {"stop", "STOP=\n", &Settings::stopBits, 1},
    {"xonxoff_switchesOn", "XONXOFF=\n", &Settings::xonXoff, 1},
    {"rts_staysOff", "RTS=\n", &Settings::rtsEnable, 0},
    {"saveRx_switchesOn", "SAVERX=\n", &Settings::saveRx, 1},
    {"saveTx_staysOff", "SAVETX=\n", &Settings::saveTx, 0},
    {"rxBuffer", "BUFFERRX=\n", &Settings::rxBufferSize, 512},
    {"txBuffer", "BUFFERTX=\n", &Settings::txBufferSize, 32},
    {"aprs", "APRS=", &Settings::aprsEnabled, 0},
    {"blanksOnly_countAsEmpty", "XONXOFF=   \r\n", &Settings::xonXoff, 1},
    {"laterEmptyOverridesEarlier", "BAUD=9600\nBAUD=\n", &Settings::baudRate, 2400},
};
INSTANTIATE_TEST_SUITE_P(EmptyValues, ConfigNumbers, ::testing::ValuesIn(kPresentButEmpty),
                         [](const auto& info) { return std::string(info.param.name); });

const IntCase kReading[] = {
    {"lowerCaseKey", "baud=9600\n", &Settings::baudRate, 9600},
    {"blankBeforeEquals_notAKey", "BAUD =9600\n", &Settings::baudRate, 2400},
    {"blanksInsideValueVanish", "COM= 2 3\n", &Settings::comPort, 23},
    {"trailingWordIgnored", "BAUD=9600 baud\n", &Settings::baudRate, 9600},
    {"keyAfterOtherText", "# old: COM=3\n", &Settings::comPort, 3},
    {"keyInsideLongerWord", "MYCOM=3\n", &Settings::comPort, 3},
    {"laterLineWins", "COM=2\nCOM=4\n", &Settings::comPort, 4},
    {"lastLineWithoutLf", "BIT=7\nCOM=5", &Settings::comPort, 5},
    {"crOnlyFileIsOneLine_port", "COM=1\rBAUD=9600\r", &Settings::comPort, 1},
    {"crOnlyFileIsOneLine_baud", "COM=1\rBAUD=9600\r", &Settings::baudRate, 9600},
    {"tabsSkippedInNumber", "BAUD=\t9600\n", &Settings::baudRate, 9600},
    {"notANumberReadsZero_port", "COM=x\n", &Settings::comPort, 1},
    {"notANumberReadsZero_bits", "BIT=x\n", &Settings::dataBits, 8},
    {"halfGoesToEven_up", "STOP=1.5\n", &Settings::stopBits, 2},
    {"halfGoesToEven_down", "BIT=6.5\n", &Settings::dataBits, 6},
    {"aboveHalfRoundsUp", "BIT=6.51\n", &Settings::dataBits, 7},
    {"exponent", "BAUD=9.6e3\n", &Settings::baudRate, 9600},
    {"beyond16Bits_38400", "BAUD=38400\n", &Settings::baudRate, 38400},
    {"beyond16Bits_115200", "BAUD=115200\n", &Settings::baudRate, 115200},
    {"hugeClampedHigh", "BAUD=99999999999\n", &Settings::baudRate, INT32_MAX},
    {"hugeClampedLow", "BUFFERRX=-1e30\n", &Settings::rxBufferSize, INT32_MIN},
    {"twoKeysOnOneLine_firstTakesRest", "COM=2 BAUD=4800\n", &Settings::comPort, 2},
    {"twoKeysOnOneLine_secondApplied", "COM=2 BAUD=4800\n", &Settings::baudRate, 4800},
};
INSTANTIATE_TEST_SUITE_P(Reading, ConfigNumbers, ::testing::ValuesIn(kReading),
                         [](const auto& info) { return std::string(info.param.name); });

const IntCase kCorrections[] = {
    {"port0_becomes1", "COM=0\n", &Settings::comPort, 1},
    {"negativePort_kept", "COM=-3\n", &Settings::comPort, -3},
    {"baud0_becomes2400", "BAUD=0\n", &Settings::baudRate, 2400},
    {"negativeBaud_kept", "BAUD=-1\n", &Settings::baudRate, -1},
    {"dataBits9_become8", "BIT=9\n", &Settings::dataBits, 8},
    {"dataBits5_stay", "BIT=5\n", &Settings::dataBits, 5},
    {"stopBits3_become1", "STOP=3\n", &Settings::stopBits, 1},
    {"stopBits2_stay", "STOP=2\n", &Settings::stopBits, 2},
    {"xonxoff2_becomes1", "XONXOFF=2\n", &Settings::xonXoff, 1},
    {"rts2_becomes0", "RTS=2\n", &Settings::rtsEnable, 0},
    {"rts1_stays", "RTS=1\n", &Settings::rtsEnable, 1},
    {"rts1_raisesRtsLine", "RTS=1\n", &Settings::rtsLineOn, 1},
    {"rts2_leavesRtsLineOff", "RTS=2\n", &Settings::rtsLineOn, 0},
    {"saveRx5_becomes1", "SAVERX=5\n", &Settings::saveRx, 1},
    {"saveTx5_becomes0", "SAVETX=5\n", &Settings::saveTx, 0},
    {"saveTx1_stays", "SAVETX=1\n", &Settings::saveTx, 1},
    {"rxBuffer0_becomes512", "BUFFERRX=0\n", &Settings::rxBufferSize, 512},
    {"rxBufferNegative_kept", "BUFFERRX=-1\n", &Settings::rxBufferSize, -1},
    {"txBuffer0_becomes32", "BUFFERTX=0\n", &Settings::txBufferSize, 32},
    {"aprs7_becomes1", "APRS=7\n", &Settings::aprsEnabled, 1},
    {"aprsNegative_becomes1", "APRS=-1\n", &Settings::aprsEnabled, 1},
    {"speedZero7_becomes0", "SPEEDZERO=7\n", &Settings::speedZero, 0},
    {"ctrlDEnd_notCorrected", "CTRLDEND=7\n", &Settings::ctrlDEnd, 7},
};
INSTANTIATE_TEST_SUITE_P(Corrections, ConfigNumbers, ::testing::ValuesIn(kCorrections),
                         [](const auto& info) { return std::string(info.param.name); });

struct TextCase {
    const char* name;
    std::string file;
    Text field;
    std::string expected;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class ConfigTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(ConfigTexts, valueAfterReadingAndCorrection) {
    const TextCase& c = GetParam();
    EXPECT_EQ(parseConfiguration(c.file).*c.field, c.expected) << c.file;
}

// 44°29'30"N and 11°20'15"E with the degree sign as its Windows-1252 byte.
const std::string kLat = "44\xB0" "29'30\"N";
const std::string kLong = "11\xB0" "20'15\"E";

const TextCase kTexts[] = {
    {"parityMissing_n", "", &Settings::parity, "n"},
    {"parityEven_e", "PARITY=Even\n", &Settings::parity, "e"},
    {"parityLowerOdd_o", "parity=odd\n", &Settings::parity, "o"},
    {"parityMark_m", "PARITY=M\n", &Settings::parity, "m"},
    {"paritySpace_s", "PARITY=S\n", &Settings::parity, "s"},
    {"parityUnknown_n", "PARITY=x\n", &Settings::parity, "n"},
    {"parityTabFirst_n", "PARITY=\tE\n", &Settings::parity, "n"},
    {"device_keepsCase", "DEVICE=/dev/ttyUSB0\n", &Settings::device, "/dev/ttyUSB0"},
    {"device_blanksVanish", "DEVICE= /dev/my tnc \r\n", &Settings::device, "/dev/mytnc"},
    {"device_emptyClears", "DEVICE=/dev/x\nDEVICE=\n", &Settings::device, ""},
    {"lat_valid", "MYLAT=" + kLat + "\nMYLONG=" + kLong + "\n", &Settings::myLat, kLat},
    {"long_valid", "MYLAT=" + kLat + "\nMYLONG=" + kLong + "\n", &Settings::myLong, kLong},
    {"lat_blanksVanish", "MYLAT= 44\xB0 29' 30\" N\nMYLONG=" + kLong, &Settings::myLat, kLat},
    {"lat_lowerHemisphereUpperCased", "MYLAT=44\xB0" "29'30\"n\nMYLONG=" + kLong, &Settings::myLat, kLat},
    {"long_west", "MYLAT=" + kLat + "\nMYLONG=11\xB0" "20'15\"w\n", &Settings::myLong, "11\xB0" "20'15\"W"},
    {"lat_hemisphereAnywhere", "MYLAT=S44\xB0" "29'30\"\nMYLONG=" + kLong, &Settings::myLat, "S44\xB0" "29'30\""},
    {"decimalLat_clearsLat", "MYLAT=44.5N\nMYLONG=" + kLong, &Settings::myLat, ""},
    {"decimalLat_clearsLong", "MYLAT=44.5N\nMYLONG=" + kLong, &Settings::myLong, ""},
    {"latWithoutHemisphere_clearsLong", "MYLAT=44\xB0" "29'30\"\nMYLONG=" + kLong, &Settings::myLong, ""},
    {"longWithNorth_clearsLat", "MYLAT=" + kLat + "\nMYLONG=11\xB0" "20'15\"N", &Settings::myLat, ""},
    {"longWithoutQuote_clearsLat", "MYLAT=" + kLat + "\nMYLONG=11\xB0" "20'15E", &Settings::myLat, ""},
    {"latWithoutApostrophe_cleared", "MYLAT=44\xB0" "29 30\"N\nMYLONG=" + kLong, &Settings::myLat, ""},
};
INSTANTIATE_TEST_SUITE_P(Texts, ConfigTexts, ::testing::ValuesIn(kTexts),
                         [](const auto& info) { return std::string(info.param.name); });

struct PositionCase {
    const char* name;
    std::string file;
    bool expected;
};

class OwnPosition : public ::testing::TestWithParam<PositionCase> {};

TEST_P(OwnPosition, setOnlyWhenBothCoordinatesPass) {
    EXPECT_EQ(parseConfiguration(GetParam().file).myPositionSet, GetParam().expected);
}

const PositionCase kPositions[] = {
    {"both_valid", "MYLAT=" + kLat + "\nMYLONG=" + kLong + "\n", true},
    {"crLfLines_valid", "MYLAT=" + kLat + "\r\nMYLONG=" + kLong + "\r\n", true},
    {"latOnly", "MYLAT=" + kLat + "\n", false},
    {"longOnly", "MYLONG=" + kLong + "\n", false},
    {"noDegreeSign", "MYLAT=44 29'30\"N\nMYLONG=" + kLong, false},
    {"hemispheresSwapped", "MYLAT=44\xB0" "29'30\"E\nMYLONG=11\xB0" "20'15\"N", false},
};
INSTANTIATE_TEST_SUITE_P(Check, OwnPosition, ::testing::ValuesIn(kPositions),
                         [](const auto& info) { return std::string(info.param.name); });

class ReadConfigurationFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("quilmo-config-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string ini() const { return (dir_ / "Quilmo.ini").string(); }
    std::filesystem::path dir_;
};

TEST_F(ReadConfigurationFile, missingFile_isCreatedEmptyAndDefaultsApply) {
    const Settings s = readConfiguration(dir_.string());
    EXPECT_EQ(fileSize(ini()), std::optional<std::uint64_t>(0));
    EXPECT_EQ(s.comPort, 1);
    EXPECT_EQ(s.baudRate, 2400);
    EXPECT_EQ(s.parity, "n");
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.stopBits, 1);
    EXPECT_EQ(s.rxBufferSize, 512);
    EXPECT_EQ(s.txBufferSize, 32);
    EXPECT_EQ(s.xonXoff + s.rtsEnable + s.saveRx + s.saveTx + s.aprsEnabled + s.speedZero + s.ctrlDEnd, 0);
    EXPECT_FALSE(s.myPositionSet);
}

TEST_F(ReadConfigurationFile, existingFile_isReadAndLeftUnchanged) {
    const std::string bytes = "COM=3\r\nBAUD=9600\r\nDEVICE=/dev/ttyUSB1\r\nMYLAT=" + kLat + "\r\nMYLONG=" + kLong;
    ASSERT_TRUE(writeWholeFile(ini(), bytes));
    const Settings s = readConfiguration(dir_.string());
    EXPECT_EQ(s.comPort, 3);
    EXPECT_EQ(s.baudRate, 9600);
    EXPECT_EQ(s.device, "/dev/ttyUSB1");
    EXPECT_TRUE(s.myPositionSet);
    EXPECT_EQ(readWholeFile(ini()), std::optional<std::string>(bytes));
}

}  // namespace
}  // namespace quilmo

// Runs the built quilmo-decode on small captures and compares its whole output.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace {

namespace fs = std::filesystem;

// Expected texts are written with "\n" and a UTF-8 "°"; the tool writes CR LF and byte 0xB0.
std::string wire(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            out += "\r\n";
        } else if (text.substr(i, 2) == "\xC2\xB0") {
            out += '\xB0';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeAll(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class QuilmoDecode : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("quilmo-decode-test-" + std::to_string(::getpid()) + "-" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path file(const char* name, std::string_view bytes) {
        writeAll(dir_ / name, bytes);
        return dir_ / name;
    }

    // Exit status of the tool; its stdout and stderr land in out_ and err_.
    int run(std::string_view input, const std::string& args) {
        writeAll(dir_ / "in", input);
        const std::string command = std::string("'") + QUILMO_DECODE_BIN + "' " + args + " < '" +
                                    (dir_ / "in").string() + "' > '" + (dir_ / "out").string() + "' 2> '" +
                                    (dir_ / "err").string() + "'";
        const int status = std::system(command.c_str());
        out_ = readAll(dir_ / "out");
        err_ = readAll(dir_ / "err");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path dir_;
    std::string out_;
    std::string err_;
};

constexpr const char* kPinned = "--time 2026-12-05T09:05:03";

// LF and CR LF line ends, a header printed on a line of its own, a line that is no packet
// and a last line without any end; a comment byte above 0x7F passes unchanged.
constexpr std::string_view kCapture =
    "SRC>TT3P50:`(0&!ZN>/22\xB0" "C\n"
    "SRC>DEST,PATH:\r\n!4903.50N/07201.75W-Test 001234\r\n"
    "not a packet\n"
    "SRC>TT3P50,WIDE1-1:`(0&l!!>/last";

constexpr const char* kMicERecord =
    "-MIC-E- 2026-12-05 09:05 ------\nSRC>\n"
    "lat./lon.: 44°30'30\"N 12°20'6\"E\ndec.coord: 44.5083333333333 12.335\n"
    "speed....: 104 km/h\ncourse...: 250°W\nstation..: Car\nstatus...: En Route\nmessage..: 22°C\n\n";
constexpr const char* kPositionRecord =
    "------- 2026-12-05 09:05 ------\nSRC>DEST,PATH:\n"
    "lat./lon.: 49°03'30\"N 72°01'45\"W\ndec.coord: 49.0583333333333 -72.0291666666667\n"
    "station..: Home\nmessage..: Test 001234\n\n";
constexpr const char* kLastRecord =
    "-MIC-E- 2026-12-05 09:05 ------\nSRC>\n"
    "lat./lon.: 44°30'30\"N 12°20'6\"E\ndec.coord: 44.5083333333333 12.335\n"
    "station..: Car\nstatus...: En Route\nmessage..: last\n\n";

TEST_F(QuilmoDecode, everyLineEndGivesTheViewsRecords) {
    ASSERT_EQ(run(kCapture, kPinned), 0) << err_;
    EXPECT_EQ(out_, wire(std::string(kMicERecord) + kPositionRecord + kLastRecord));
}

TEST_F(QuilmoDecode, filterFileChoosesRecords) {
    const fs::path filter = file("filter.ini", "62\r\n");
    ASSERT_EQ(run(kCapture, std::string(kPinned) + " --filter '" + filter.string() + "'"), 0) << err_;
    EXPECT_EQ(out_, wire(std::string(kMicERecord) + kLastRecord));
}

TEST_F(QuilmoDecode, configGivesOwnPositionAndZeroSpeed) {
    const fs::path config = file("Quilmo.ini", "MYLAT=45\xB0" "0'0\"N\r\nMYLONG=12\xB0" "20'6\"E\r\nSPEEDZERO=1\r\n");
    ASSERT_EQ(run("SRC>TT3P50:`(0&l!!>/\n", std::string(kPinned) + " --config '" + config.string() + "'"), 0)
        << err_;
    EXPECT_EQ(out_, wire("-MIC-E- 2026-12-05 09:05 ------\nSRC>\n"
                         "lat./lon.: 44°30'30\"N 12°20'6\"E\ndec.coord: 44.5083333333333 12.335\n"
                         "distance.: 55 km\nazimut...: 180°S\nspeed....: 0 km/h\ncourse...: 105°E\n"
                         "station..: Car\nstatus...: En Route\n\n"));
}

TEST_F(QuilmoDecode, kmlFileHoldsThePlacemarks) {
    const fs::path kml = dir_ / "track.kml";
    ASSERT_EQ(run("SRC>TT3P50:`(0&!ZN>/%!!}\n", std::string(kPinned) + " --kml '" + kml.string() + "'"), 0)
        << err_;
    const std::string text = readAll(kml);
    EXPECT_NE(text.find("  <Placemark>\r\n     <name>09:05:03 SRC&gt;</name>\r\n   <TimeStamp>\r\n"
                        "     <when>2026-12-05T09:05:03</when>\r\n   </TimeStamp>\r\n"
                        "   <styleUrl>#quilmo-icon</styleUrl>\r\n   <Point>\r\n"
                        "     <coordinates>12.335,44.5083333333333,23124</coordinates>\r\n"
                        "   </Point>\r\n  </Placemark>\r\n </Document>\r\n</kml>\r\n"),
              std::string::npos)
        << text;
}

TEST_F(QuilmoDecode, badOptionsExitWithUsage) {
    const char* cases[] = {"--bogus x", "--time yesterday", "--config", "--filter ''",
                           "--config /nonexistent/Quilmo.ini"};
    for (const char* args : cases) {
        EXPECT_EQ(run(kCapture, args), 2) << args;
        EXPECT_EQ(out_, "") << args;
        EXPECT_NE(err_.find("usage: quilmo-decode"), std::string::npos) << args;
    }
}

}  // namespace

// Runs the built quilmo-decode on small captures and compares its whole output.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "temp_dir.h"

namespace quilmo {
namespace {

// Expected texts are written with "\n" and a UTF-8 "°"; the tool writes CR LF and byte 0xB0.
std::string wire(std::string text) {
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) text.insert(at, "\r");
    for (std::size_t at; (at = text.find("°")) != std::string::npos;) text.replace(at, std::string_view("°").size(), "\xB0");
    return text;
}

// Exit status of the tool reading `input`; its output lands in the files "out" and "err".
int run(const test::TempDir& dir, const std::string& input, const std::string& args) {
    writeWholeFile(dir.file("in"), input);
    const std::string command = "'" QUILMO_DECODE_BIN "' " + args + " < '" + dir.file("in") + "' > '" +
                                dir.file("out") + "' 2> '" + dir.file("err") + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// LF and CR LF line ends, a header on a line of its own, a line that is no packet and a last
// line without any end; a comment byte above 0x7F passes unchanged.
const std::string kCapture = "SRC>TT3P50:`(0&!ZN>/22\xB0" "C\nSRC>DEST,PATH:\r\n!4903.50N/07201.75W-\r\nnot a packet\n"
                             "SRC>TT3P50,WIDE1-1:`(0&l!!>/";
const std::string kMicE = "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°30'30\"N 12°20'6\"E\n"
                          "dec.coord: 44.5083333333333 12.335\n";
const std::string kCar = kMicE + "speed....: 104 km/h\ncourse...: 250°W\nstation..: Car\nstatus...: En Route\nmessage..: 22°C\n\n";
const std::string kHome = "------- 2026-12-05 09:05 ------\nSRC>DEST,PATH:\nlat./lon.: 49°03'30\"N 72°01'45\"W\n"
                          "dec.coord: 49.0583333333333 -72.0291666666667\nstation..: Home\n\n";
const std::string kParked = kMicE + "station..: Car\nstatus...: En Route\n\n";

TEST(QuilmoDecode, RecordsOfACapture) {
    const test::TempDir dir;
    writeWholeFile(dir.file("filter.ini"), "62\r\n");
    writeWholeFile(dir.file("Quilmo.ini"), "MYLAT=45\xB0" "0'0\"N\r\nMYLONG=12\xB0" "20'6\"E\r\nSPEEDZERO=1\r\n");
    const struct { const char* name; std::string input, args, records; } rows[] = {
        {"all", kCapture, "", kCar + kHome + kParked},
        {"filter keeps the cars", kCapture, "--filter='" + dir.file("filter.ini") + "'", kCar + kParked},
        {"config: own position and zero speed", "SRC>TT3P50:`(0&l!!>/\n", "--config '" + dir.file("Quilmo.ini") + "'",
         kMicE + "distance.: 55 km\nazimut...: 180°S\nspeed....: 0 km/h\ncourse...: 105°E\nstation..: Car\nstatus...: En Route\n\n"},
    };
    for (const auto& r : rows) {
        ASSERT_EQ(run(dir, r.input, "--time 2026-12-05T09:05:03 " + r.args), 0) << r.name << dir.read("err");
        EXPECT_EQ(dir.read("out"), wire(r.records)) << r.name;
    }
}

// A capture large enough to be cut among threads, with headers alone, prompts, LF line ends
// and overlong lines near every cut: the output must not depend on the thread count.
TEST(QuilmoDecode, ThreadsGiveTheSameOutput) {
    const test::TempDir dir;
    const std::string comment(200, 'c');
    std::string input;
    for (int i = 0; input.size() < 700 * 1024; ++i) {
        input += "S" + std::to_string(i % 97) + ">TT3P50:`(0&!ZN>/" + comment + std::to_string(i) + "\n";
        input += i % 7 == 0 ? "cmd:SRC>DEST,PATH:\r\n" : i % 2 ? "SRC>DEST,PATH:\n" : "SRC>DEST,PATH:\r\n";
        input += "!4903.50N/07201.75W-" + comment + "\n";
        if (i % 11 == 0) input += "cmd:\r\nSRC>DEST:\r\nSRC>DEST,PATH:\r\n";
        if (i % 13 == 0) input += "SRC>DEST:!4903.50N/07201.75W-" + std::string(2100 + i % 3, 'x') + "\r\n";
    }
    input += "SRC>DEST:>the last line has no end";
    const std::string args = "--time 2026-12-05T09:05:03 --kml '" + dir.file("track.kml") + "' --stations '" +
                             dir.file("stations.csv") + "' --threads ";
    ASSERT_EQ(run(dir, input, args + "1"), 0) << dir.read("err");
    const std::string records = dir.read("out"), track = dir.read("track.kml"), stations = dir.read("stations.csv");
    // The track holds the placemarks and is closed after the last; the table has a row per station.
    EXPECT_NE(track.find("<name>09:05:03 SRC&gt;DEST,PATH:</name>"), std::string::npos);
    EXPECT_TRUE(track.ends_with(wire("</Placemark>\n </Document>\n</kml>\n")));
    EXPECT_NE(stations.find("\r\nS96,2026-12-05 09:05:03,"), std::string::npos);
    EXPECT_EQ(run(dir, input, args + "1 --stations /nonexistent/stations.csv"), 1);
    ASSERT_EQ(run(dir, input, args + "4"), 0) << dir.read("err");
    EXPECT_EQ(dir.read("out"), records);
    EXPECT_EQ(dir.read("track.kml"), track);
    EXPECT_EQ(dir.read("stations.csv"), stations);
}

TEST(QuilmoDecode, BadOptionsExitWithUsage) {
    const test::TempDir dir;
    for (const char* args : {"--bogus x", "--time yesterday", "--config", "--filter ''", "--config /nonexistent/Quilmo.ini",
                             "--threads 0", "--threads 2x"}) {
        EXPECT_EQ(run(dir, kCapture, args), 2) << args;
        EXPECT_EQ(dir.read("out"), "") << args;
        EXPECT_NE(dir.read("err").find("usage: quilmo-decode"), std::string::npos) << args;
    }
}

}  // namespace
}  // namespace quilmo

#include <gtest/gtest.h>

#include <string>

#include "aprs/decoder.h"
#include "aprs_test_support.h"

namespace quilmo {
namespace {

using test::decode;
using test::expectedRecord;
using test::kDeg;

const std::string kLatLon = "lat./lon.: 49" + kDeg + "03'30\"N 72" + kDeg + "01'45\"W";
const std::string kDec = "dec.coord: 49.0583333333333 -72.0291666666667";
// The compressed example position 49°30'N 72°45'W.
const std::string kCompLatLon = "lat./lon.: 49" + kDeg + "30'0\"N 72" + kDeg + "45'0\"W";
const std::string kCompDec = "dec.coord: 49.5 -72.75";

struct Case {
    const char* name;
    std::string line;
    std::string record;
    int speedZero = 0;
};

const Case kPositions[] = {
    {"uncompressed_with_comment", "SRC>DST:!4903.50N/07201.75W-Test 001234",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "station..: Home", "message..: Test 001234"})},
    {"timestamp_not_shown", "SRC>DST:/092345z4903.50N/07201.75W>Test1234",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "station..: Car", "message..: Test1234"})},
    {"timestamp_with_messaging", "SRC>DST:@092345z4903.50N/07201.75W>Test1234",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "station..: Car", "message..: Test1234"})},
    {"course_as_sent", "SRC>DST:=4903.50N/07201.75W>088/036",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "speed....: 67 km/h", "course...: 88" + kDeg + "E", "station..: Car"})},
    {"course_360_is_north", "SRC>DST:!4903.50N/07201.75W>360/010 x",
     expectedRecord("SRC>DST:",
                    {kLatLon, kDec, "speed....: 19 km/h", "course...: 360" + kDeg + "N", "station..: Car", "message..: x"})},
    {"course_out_of_range_has_no_sector", "SRC>DST:!4903.50N/07201.75W>400/010",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "speed....: 19 km/h", "course...: 400" + kDeg, "station..: Car"})},
    {"zero_speed_hidden", "SRC>DST:!4903.50N/07201.75W>000/000",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "station..: Car"})},
    {"zero_speed_shown_with_speedzero", "SRC>DST:!4903.50N/07201.75W>000/000",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "speed....: 0 km/h", "course...: 0" + kDeg + "N", "station..: Car"}),
     1},
    {"unknown_values_as_dots", "SRC>DST:!4903.50N/07201.75W>.../... on the road",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "station..: Car", "message..: on the road"})},
    {"slash_in_text_is_no_extension", "SRC>DST:!4903.50N/07201.75W-QTH/home",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "station..: Home", "message..: QTH/home"})},
    {"phg_is_no_extension", "SRC>DST:!4903.50N/07201.75W#PHG7220/RELAY",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "station..: Digipeater", "message..: PHG7220/RELAY"})},
    {"altitude_text_stays", "SRC>DST:!4903.50N/07201.75W>058/010/A=000079",
     expectedRecord("SRC>DST:",
                    {kLatLon, kDec, "speed....: 19 km/h", "course...: 58" + kDeg + "NE", "station..: Car",
                     "message..: /A=000079"})},
    {"alternate_table_has_no_name", "SRC>DST:!0903.51N\\07201.75W#",
     expectedRecord("SRC>DST:",
                    {"lat./lon.: 09" + kDeg + "03'30.6\"N 72" + kDeg + "01'45\"W", "dec.coord: 9.0585 -72.0291666666667"})},
    {"compressed_course_speed", "SRC>DST:!/5L!!<*e7>7P[",
     expectedRecord("SRC>DST:",
                    {kCompLatLon, kCompDec, "speed....: 67 km/h", "course...: 88" + kDeg + "E", "station..: Car"})},
    {"compressed_altitude", "SRC>DST:!/5L!!<*e7>S]S up high",
     expectedRecord("SRC>DST:", {kCompLatLon, kCompDec, "altitude.: 3049 m", "station..: Car", "message..: up high"})},
    {"compressed_without_course", "SRC>DST:!/5L!!<*e7>   Hello",
     expectedRecord("SRC>DST:", {kCompLatLon, kCompDec, "station..: Car", "message..: Hello"})},
    {"compressed_radio_range", "SRC>DST:=/5L!!<*e7>{?!Hi",
     expectedRecord("SRC>DST:", {kCompLatLon, kCompDec, "station..: Car", "message..: Hi"})},
    {"compressed_standing_still", "SRC>DST:!/5L!!<*e7>!!!",
     expectedRecord("SRC>DST:", {kCompLatLon, kCompDec, "station..: Car"})},
    {"compressed_overlay_table", "SRC>DST:!D5L!!<*e7#   ",
     expectedRecord("SRC>DST:", {kCompLatLon, kCompDec})},
    {"compressed_with_timestamp", "SRC>DST:@092345z/5L!!<*e7>7P[",
     expectedRecord("SRC>DST:",
                    {kCompLatLon, kCompDec, "speed....: 67 km/h", "course...: 88" + kDeg + "E", "station..: Car"})},
    {"short_report", "SRC>DST:!4903.50N",
     expectedRecord("SRC>DST:", {"lat./lon.: 49" + kDeg + "03'30\"N 0" + kDeg + "'0\"", "dec.coord: 49.0583333333333 0"})},
    {"timestamp_only", "SRC>DST:/092345z", expectedRecord("SRC>DST:", {"lat./lon.: " + kDeg + "'0\" 0" + kDeg + "'0\"", "dec.coord: 0 0"})},
    {"without_header", "!4903.50N/07201.75W-", expectedRecord("", {kLatLon, kDec, "station..: Home"})},
    {"header_on_its_own_line", "SRC>DST,PATH:\r\n!4903.50N/07201.75W-",
     expectedRecord("SRC>DST,PATH:", {kLatLon, kDec, "station..: Home"})},
};

TEST(PositionReport, RecordsByLayout) {
    for (const Case& c : kPositions) {
        DecoderSettings settings;
        settings.speedZero = c.speedZero;
        const DecodedPacket p = decode(c.line, settings);
        EXPECT_TRUE(p.recognised) << c.name;
        EXPECT_TRUE(p.shown) << c.name;
        EXPECT_EQ(p.record, c.record) << c.name;
    }
}

TEST(PositionReport, PlacemarkAndCoordinates) {
    const DecodedPacket plain = decode("SRC>DEST,PATH:!4903.50N/07201.75W-");
    ASSERT_TRUE(plain.placemark.has_value());
    EXPECT_EQ(plain.placemark->name, "09:05:03 SRC>DEST,PATH:");
    EXPECT_EQ(plain.placemark->when, "2026-12-05T09:05:03");
    EXPECT_EQ(plain.placemark->coordinates, "-72.0291666666667,49.0583333333333,0");
    EXPECT_EQ(plain.lastCoordinates, "49" + kDeg + "03'30\"N 72" + kDeg + "01'45\"W");

    const DecodedPacket high = decode("SRC>DST:!/5L!!<*e7>S]S");
    ASSERT_TRUE(high.placemark.has_value());
    EXPECT_EQ(high.placemark->coordinates, "-72.75,49.5,3049");
}

TEST(PositionReport, DistanceAndAzimuthFromOwnPosition) {
    DecoderSettings own;
    own.myPositionSet = true;
    own.myLatValue = 44.5;
    own.myLongValue = 11.0 + 20.0 / 60;
    EXPECT_EQ(decode("SRC>DST:;OBJ      *092345z4500.00N/01200.00E>090/020", own).record,
              expectedRecord("SRC>DST:", {"lat./lon.: 45" + kDeg + "00'0\"N 12" + kDeg + "00'0\"E", "dec.coord: 45 12",
                                          "object...: OBJ", "distance.: 77 km", "azimut...: 43" + kDeg + "NE",
                                          "speed....: 37 km/h", "course...: 90" + kDeg + "E", "station..: Car"}));
}

const std::string kWxPosition = "SRC>DST:!4903.50N/07201.75W_";

struct WeatherCase {
    const char* comment;
    std::string lines;  // weather and message lines, CR LF between them
};

const WeatherCase kWeather[] = {
    {"t-05", "temperat.: -21" + kDeg + "C"},
    {"t032", "temperat.: 0" + kDeg + "C"},
    {"b10132", "pressure.: 1013 mbar"},
    {"b10125", "pressure.: 1012 mbar"},
    {"h00", "humidity.: 100 %"},
    {"h50", "humidity.: 50 %"},
    {"h5.", "humidity.: 5 %"},
    {"p100", "rain 24h.: 25 mm"},
    {"r010", "rain hour: 3 mm"},
    {"P005", "rain day.: 1 mm"},
    {"g0.5", "gust.....: 1 km/h"},
    {"g...t   h..b.....", ""},
    {"g5", "message..: g5"},
    {"t077xt050", "temperat.: 25" + kDeg + "C\r\nmessage..: xt050"},
    {"h48b08209ESP8266 t077", "pressure.: 821 mbar\r\nhumidity.: 48 %\r\nmessage..: ESP8266 t077"},
    {"Hello t077", "message..: Hello t077"},
    {"g005t077r000p000P000h50b09900wRSW",
     "gust.....: 8 km/h\r\ntemperat.: 25" + kDeg + "C\r\npressure.: 990 mbar\r\nhumidity.: 50 %\r\n"
     "rain hour: 0 mm\r\nrain day.: 0 mm\r\nrain 24h.: 0 mm\r\nmessage..: wRSW"},
};

TEST(WeatherReport, FieldsAndPlaceholders) {
    const std::string station = expectedRecord("SRC>DST:", {kLatLon, kDec, "station..: Weather station"});
    const std::string prefix = station.substr(0, station.size() - 4);  // without the closing empty line
    for (const WeatherCase& c : kWeather) {
        const std::string expected = prefix + (c.lines.empty() ? "" : "\r\n" + c.lines) + "\r\n\r\n";
        EXPECT_EQ(decode(kWxPosition + c.comment).record, expected) << c.comment;
    }
}

TEST(WeatherReport, WindIsCourseAndSpeedAndOnlyWeatherSymbolsDecode) {
    EXPECT_EQ(decode(kWxPosition + "220/004g005t077").record,
              expectedRecord("SRC>DST:", {kLatLon, kDec, "speed....: 7 km/h", "course...: 220" + kDeg + "SW",
                                          "station..: Weather station", "gust.....: 8 km/h",
                                          "temperat.: 25" + kDeg + "C"}));
    EXPECT_EQ(decode("SRC>DST:!4903.50N/07201.75W-t077").record,
              expectedRecord("SRC>DST:", {kLatLon, kDec, "station..: Home", "message..: t077"}));
}

}  // namespace
}  // namespace quilmo

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

struct Case {
    const char* name;
    std::string line;
    std::string record;  // empty: the line is no packet the decoder knows
};

const Case kRewrites[] = {
    {"object_live", "SRC>DST:;LEADER   *092345z4903.50N/07201.75W>comment",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "object...: LEADER", "station..: Car", "message..: comment"})},
    {"object_killed_keeps_filler", "SRC>DST:;LEADER   _092345z4903.50N/07201.75W>",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "object...: LEADER    (deleted)", "station..: Car"})},
    {"object_name_with_underscore", "SRC>DST:;LEAD_ER  *092345z4903.50N/07201.75W>",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "object...: LEAD_ER", "station..: Car"})},
    {"object_name_with_star_killed", "SRC>DST:;A*B      _092345z4903.50N/07201.75W>",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "object...: A*B       (deleted)", "station..: Car"})},
    {"object_semicolon_in_name", "SRC>DST:;LE;DER   *092345z4903.50N/07201.75W>",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "object...: LEDER", "station..: Car"})},
    {"object_short_name_scanned", "SRC>DST:;AB*092345z4903.50N/07201.75W>",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "object...: AB", "station..: Car"})},
    {"object_without_terminator", "SRC>DST:;NOTERMINATOR", ""},
    {"item_live", "SRC>DST:)AID #2!4903.50N/07201.75WA",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "item.....: AID #2"})},
    {"item_killed", "SRC>DST:)AID_4903.50N/07201.75W>",
     expectedRecord("SRC>DST:", {kLatLon, kDec, "item.....: AID (deleted)", "station..: Car"})},
    {"encapsulated_with_inner_path", "SRC>DEST,PATH:}ISRC>IDEST,IPATH,GATE*:!4903.50N/07201.75W>x,y:z",
     expectedRecord("ISRC>SRC>DEST,PATH>IDEST:", {kLatLon, kDec, "station..: Car", "message..: x,y:z"})},
    {"encapsulated_without_inner_path", "SRC>DEST:}ISRC>IDEST:>on air, 73",
     expectedRecord("ISRC>SRC>DEST>IDEST:", {"from.....: ISRC", "st.report: on air, 73"})},
    {"encapsulated_object", "SRC>DEST:}ISRC>IDEST,TCPIP*:;OBJ      *092345z4903.50N/07201.75W>",
     expectedRecord("ISRC>SRC>DEST>IDEST:", {kLatLon, kDec, "object...: OBJ", "station..: Car"})},
    {"encapsulated_without_inner_header", "SRC>DEST:}no header here", ""},
    {"encapsulated_colon_before_arrow", "SRC>DEST:}A:B>C", ""},
};

TEST(Rewrite, ObjectsItemsAndEncapsulatedPackets) {
    for (const Case& c : kRewrites) {
        const DecodedPacket p = decode(c.line);
        EXPECT_EQ(p.recognised, !c.record.empty()) << c.name;
        EXPECT_EQ(p.record, c.record) << c.name;
    }
}

const Case kTextPackets[] = {
    {"message", "N0CALL>APRS,WIDE1-1::N0CALL-9 :Hello{12",
     expectedRecord("N0CALL>APRS,WIDE1-1:", {"from.....: N0CALL", "to.......: N0CALL-9", "message..: Hello{12"})},
    {"bulletin", "SRC>DST::BLN1     :Net at 20:00",
     expectedRecord("SRC>DST:", {"from.....: SRC", "to.......: BLN1", "message..: Net at 20:00"})},
    {"ack_is_text", "SRC>DST::N0CALL-9 :ack12",
     expectedRecord("SRC>DST:", {"from.....: SRC", "to.......: N0CALL-9", "message..: ack12"})},
    {"message_too_short", "SRC>DST::N0CALL", expectedRecord("SRC>DST:", {"from.....: SRC"})},
    {"message_addressee_only", "SRC>DST::N0CALL-9 :", expectedRecord("SRC>DST:", {"from.....: SRC", "to.......: N0CALL-9"})},
    {"message_without_header", ":N0CALL-9 :Hi", expectedRecord("", {"to.......: N0CALL-9", "message..: Hi"})},
    {"status", "SRC>DST:>Net control", expectedRecord("SRC>DST:", {"from.....: SRC", "st.report: Net control"})},
    {"status_empty", "SRC>DST:>", expectedRecord("SRC>DST:", {"from.....: SRC"})},
    {"capabilities", "SRC>DST:<IGATE,MSG_CNT=0", expectedRecord("SRC>DST:", {"from.....: SRC", "st.capab.: IGATE,MSG_CNT=0"})},
    {"telemetry", "SRC>DST:T#005,199,000,255,073,123,01101001",
     expectedRecord("SRC>DST:", {"from.....: SRC", "telemetry: 005,199,000,255,073,123,01101001"})},
    {"t_without_hash", "SRC>DST:TEST", ""},
    {"sender_blanks_trimmed", " SRC >DST:>x", expectedRecord(" SRC >DST:", {"from.....: SRC", "st.report: x"})},
};

TEST(TextPacket, MessagesStatusCapabilitiesTelemetry) {
    for (const Case& c : kTextPackets) {
        const DecodedPacket p = decode(c.line);
        EXPECT_EQ(p.recognised, !c.record.empty()) << c.name;
        EXPECT_EQ(p.record, c.record) << c.name;
        EXPECT_FALSE(p.placemark.has_value()) << c.name;
        EXPECT_EQ(p.lastCoordinates, "") << c.name;
    }
}

const Case kHeaderSplits[] = {
    {"colon_before_arrow", "a:b>c:d", ""},
    {"no_colon", "hello world", ""},
    {"later_arrow_ignored", "SRC>DEST:>status", expectedRecord("SRC>DEST:", {"from.....: SRC", "st.report: status"})},
    {"empty_information", "SRC>DEST:", ""},
    {"empty_line", "", ""},
    {"lone_cr_stays", "SRC>DEST:>a\rb", expectedRecord("SRC>DEST:", {"from.....: SRC", "st.report: a\rb"})},
    {"mic_e_needs_a_header", "`abc", ""},
};

TEST(HeaderSplit, DecidesHeaderAndBranch) {
    for (const Case& c : kHeaderSplits) {
        const DecodedPacket p = decode(c.line);
        EXPECT_EQ(p.recognised, !c.record.empty()) << c.name;
        EXPECT_EQ(p.record, c.record) << c.name;
    }
}

struct FilterCase {
    const char* name;
    std::string line;
    int flag;  // the only flag set
    bool shown;
};

const FilterCase kFilter[] = {
    {"car_with_car_flag", "SRC>DST:!4903.50N/07201.75W>", 62, true},
    {"home_with_car_flag", "SRC>DST:!4903.50N/07201.75W-", 62, false},
    {"unnamed_with_undefined", "SRC>DST:!4903.50N/07201.75W!", 1, true},
    {"other_table_with_undefined", "SRC>DST:!4903.50N\\07201.75W>", 1, true},
    {"named_with_undefined", "SRC>DST:!4903.50N/07201.75W>", 1, false},
    {"position_with_messages", "SRC>DST:!4903.50N/07201.75W>", 2, false},
    {"object_with_its_symbol", "SRC>DST:;OBJ      *092345z4903.50N/07201.75W-", 45, true},
    {"message_with_messages", "SRC>DST::N0CALL   :hi", 2, true},
    {"message_with_status", "SRC>DST::N0CALL   :hi", 3, false},
    {"status_with_status", "SRC>DST:>here", 3, true},
    {"status_with_messages", "SRC>DST:>here", 2, false},
    {"capabilities_with_own", "SRC>DST:<IGATE", 4, true},
    {"capabilities_with_telemetry", "SRC>DST:<IGATE", 5, false},
    {"telemetry_with_own", "SRC>DST:T#1,2", 5, true},
    {"telemetry_with_capabilities", "SRC>DST:T#1,2", 4, false},
};

TEST(Filter, EachRecordClass) {
    for (const FilterCase& c : kFilter) {
        FilterFlags flags{};
        flags[static_cast<std::size_t>(c.flag)] = 1;
        const DecodedPacket shown = decode(c.line, {}, flags);
        const DecodedPacket all = decode(c.line);
        EXPECT_TRUE(shown.recognised) << c.name;
        EXPECT_EQ(shown.shown, c.shown) << c.name;
        EXPECT_EQ(shown.record, c.shown ? all.record : "") << c.name;
        EXPECT_EQ(shown.placemark.has_value(), c.shown && all.placemark.has_value()) << c.name;
        // A hidden station still offers its coordinates for the clipboard.
        EXPECT_EQ(shown.lastCoordinates, all.lastCoordinates) << c.name;
    }
}

}  // namespace
}  // namespace quilmo

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kml/kml_track.h"

namespace quilmo {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Lines = std::vector<std::string>;

const std::string kClose = " </Document>\r\n</kml>\r\n";
const LocalTime kNow{2026, 12, 5, 14, 15, 7};

std::string header(const std::string& stamp) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n"
           " <Document>\r\n <name>APRS " + stamp + " quilmo</name>\r\n <Style id=\"quilmo-icon\">\r\n"
           "  <IconStyle>\r\n  <Icon>\r\n   <href>http://maps.google.com/mapfiles/kml/paddle/grn-circle.png</href>\r\n"
           "  </Icon>\r\n  <hotSpot x=\"0\" y=\".5\" xunits=\"fraction\" yunits=\"fraction\" />\r\n"
           "  </IconStyle>\r\n </Style>\r\n";
}

std::string slurp(const fs::path& p) {
    std::stringstream s;
    s << std::ifstream(p, std::ios::binary).rdbuf();
    return s.str();
}

// A missing tool fails like a broken file: CI installs libxml2-utils and gdal-bin.
std::string run(const std::string& tool, const fs::path& p) {
    std::string out(4096, '\0'), all;
    std::FILE* pipe = popen((tool + " '" + p.string() + "' 2>&1").c_str(), "r");
    for (std::size_t n; pipe && (n = std::fread(out.data(), 1, out.size(), pipe)) > 0;) all.append(out, 0, n);
    EXPECT_TRUE(pipe && pclose(pipe) == 0) << tool << " on " << p << ":\n" << all;
    return all;
}

// The placemarks as a map program reads them ("name|POINT Z (lon lat alt)"), once xmllint passed the file.
Lines mapView(const fs::path& p) {
    run("xmllint --noout", p);
    std::istringstream in(run("ogrinfo -ro -al -q", p));
    Lines out;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("  Name (String) = ")) out.push_back(line.substr(18));
        if (line.starts_with("  POINT") && !out.empty()) out.back() += "|" + line.substr(2);
    }
    return out;
}

class Kml : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(mkdtemp(pattern.data()), nullptr); }
    void TearDown() override { fs::remove_all(dir); }
    std::string pattern = (fs::temp_directory_path() / "quilmo-kml-XXXXXX").string();
    const std::string& dir = pattern;
};

TEST_F(Kml, startNamesFileByClockAndWritesWholeDocument) {
    for (const auto& [now, stamp] : {std::pair{kNow, "20261205_1415"s}, {LocalTime{2027, 1, 2, 3, 4, 5}, "20270102_0304"s}}) {
        KmlTrack track(dir);
        track.kmlCreateFile(now);
        EXPECT_EQ(track.fullPath(), dir + "/kml/$" + stamp + ".kml");
        EXPECT_EQ(slurp(track.fullPath()), header(stamp) + kClose);
        EXPECT_EQ(mapView(track.fullPath()), Lines{});
    }
}

struct PlacemarkRow {
    const char* label;
    Placemark in;
    std::string nameXml, seen;
};
void PrintTo(const PlacemarkRow& row, std::ostream* os) { *os << row.label; }
class KmlPlacemark : public Kml, public testing::WithParamInterface<PlacemarkRow> {};

const PlacemarkRow kPlacemarks[] = {
    {"north_east_escaped_header", {"09:05:03 SRC>DEST,PATH:", "2026-12-05T09:05:03", "12.335,44.5,0"}, "09:05:03 SRC&gt;DEST,PATH:",
     "09:05:03 SRC>DEST,PATH:|POINT Z (12.335 44.5 0)"},
    {"south_west", {"S/W", "2026-12-31T23:59:59", "-58.381667,-34.603333,0"}, "S/W", "S/W|POINT Z (-58.381667 -34.603333 0)"},
    {"altitude_fractions", {"alt", "2026-07-01T10:00:00", "-.5,.25,2962.4"}, "alt", "alt|POINT Z (-0.5 0.25 2962.4)"},
    {"escaped", {"A&B<C>D:", "2026-12-05T09:05:03", "1,2,3"}, "A&amp;B&lt;C&gt;D:", "A&B<C>D:|POINT Z (1 2 3)"},
    {"windows_1252", {"\xB0\x80\xE8\x9F\x8C\x81", "2026-12-05T12:00:00", "13,42,0"}, "\xC2\xB0\xE2\x82\xAC\xC3\xA8\xC5\xB8\xC5\x92\xC2\x81",
     "\xC2\xB0\xE2\x82\xAC\xC3\xA8\xC5\xB8\xC5\x92\xC2\x81|POINT Z (13 42 0)"},
    {"control_bytes", {"a\0\x07\tb\r"s, "2026-12-05T12:00:00", "13,42,0"}, "a\xEF\xBF\xBD\xEF\xBF\xBD\tb&#13;",
     "a\xEF\xBF\xBD\xEF\xBF\xBD\tb\r|POINT Z (13 42 0)"},
};

TEST_P(KmlPlacemark, linesAndMapView) {
    const PlacemarkRow& c = GetParam();
    KmlTrack track(dir);
    track.kmlCreateFile(kNow);
    track.kmlAppendPlacemark(c.in);
    EXPECT_EQ(slurp(track.fullPath()),
              header("20261205_1415") + "  <Placemark>\r\n     <name>" + c.nameXml + "</name>\r\n   <TimeStamp>\r\n"
                  "     <when>" + c.in.when + "</when>\r\n   </TimeStamp>\r\n   <styleUrl>#quilmo-icon</styleUrl>\r\n"
                  "   <Point>\r\n     <coordinates>" + c.in.coordinates + "</coordinates>\r\n   </Point>\r\n"
                  "  </Placemark>\r\n" + kClose);
    EXPECT_EQ(mapView(track.fullPath()), Lines{c.seen});
}
INSTANTIATE_TEST_SUITE_P(Rows, KmlPlacemark, testing::ValuesIn(kPlacemarks),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(Kml, anyNameBytesGiveValidXml) {
    std::string all(1, '\0');
    for (int b = 1; b < 256; ++b) all += char(b);
    KmlTrack track(dir);
    track.kmlCreateFile(kNow);
    track.kmlAppendPlacemark({all, "2026-12-05T14:15:07", "1,2,0"});
    EXPECT_EQ(mapView(track.fullPath()).size(), 1u);
}

// C start, P placemark, S stop (closes always), F filter button and X exit (close while open).
TEST_F(Kml, oneDocumentAfterEveryStep) {
    for (const std::string steps : {"CS", "CPFPPS", "CPSS", "CPFX", "CPPX", "CPFFP", "CPSPS"}) {
        KmlTrack track(dir);
        Lines expected;
        bool open = false;
        for (const char step : steps) {
            SCOPED_TRACE(steps + " at " + step);
            const std::string n = std::to_string(expected.size());
            if (step == 'C') track.kmlCreateFile(kNow);
            if (step == 'P') {
                track.kmlAppendPlacemark({n, "2026-12-05T14:15:07", n + ",45,0"});
                expected.push_back(n + "|POINT Z (" + n + " 45 0)");
                open = true;
            }
            if (step == 'S' || ((step == 'F' || step == 'X') && open)) {
                track.kmlCloseFile();
                open = false;
            }
            const std::string text = slurp(track.fullPath());
            EXPECT_EQ(text.find(kClose), text.size() - kClose.size());  // once, at the end
            EXPECT_EQ(mapView(track.fullPath()), expected);
            EXPECT_EQ(track.kmlDocumentOpen(), open);
        }
        fs::remove_all(dir + "/kml");
    }
}

TEST_F(Kml, nothingWrittenBeforeFirstStart) {
    KmlTrack track(dir);
    track.kmlAppendPlacemark({"x", "y", "1,2,0"});
    track.kmlCloseFile();
    EXPECT_EQ(track.fullPath(), "");
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(Kml, startsInOneMinuteKeepEarlierTracks) {
    KmlTrack first(dir), laterRun(dir);
    for (const auto& [track, name] : {std::pair{&first, "$20261205_1415.kml"s}, {&first, "$20261205_1415_2.kml"s},
                                      {&laterRun, "$20261205_1415_3.kml"s}}) {
        track->kmlCreateFile(kNow);
        EXPECT_EQ(track->kmlPath(), name);
        track->kmlAppendPlacemark({name, "2026-12-05T14:15:07", "1,2,0"});
    }
    for (const auto& e : fs::directory_iterator(dir + "/kml"))
        EXPECT_EQ(mapView(e.path()), Lines{e.path().filename().string() + "|POINT Z (1 2 0)"});
    laterRun.kmlCreateFile({2026, 12, 5, 14, 16, 0});
    EXPECT_EQ(laterRun.kmlPath(), "$20261205_1416.kml");
}

TEST_F(Kml, deletedFileComesBackWhole) {
    KmlTrack track(dir);
    track.kmlCreateFile(kNow);
    fs::remove(track.fullPath());
    track.kmlAppendPlacemark({"b", "2026-12-05T14:15:08", "2,2,0"});
    EXPECT_TRUE(slurp(track.fullPath()).starts_with(header("20261205_1415")));
    EXPECT_EQ(mapView(track.fullPath()), Lines{"b|POINT Z (2 2 0)"});
}

}  // namespace
}  // namespace quilmo

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "kml/kml_track.h"
#include "temp_dir.h"

namespace quilmo {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Lines = std::vector<std::string>;

const std::string kClose = " </Document>\r\n</kml>\r\n";
const LocalTime kNow{2027, 1, 2, 3, 4, 5};  // every field of the file name needs its leading zero

std::string header(const std::string& stamp) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n"
           " <Document>\r\n <name>APRS " + stamp + " quilmo</name>\r\n <Style id=\"quilmo-icon\">\r\n"
           "  <IconStyle>\r\n  <Icon>\r\n   <href>http://maps.google.com/mapfiles/kml/paddle/grn-circle.png</href>\r\n"
           "  </Icon>\r\n  <hotSpot x=\"0\" y=\".5\" xunits=\"fraction\" yunits=\"fraction\" />\r\n"
           "  </IconStyle>\r\n </Style>\r\n";
}

std::string slurp(const std::string& path) { return readWholeFile(path).value_or("<none>"); }

// The placemarks as a map program reads them ("name|POINT Z (lon lat alt)"), once xmllint passed the file.
// A missing tool fails like a broken file: CI installs libxml2-utils and gdal-bin.
Lines mapView(const std::string& path) {
    const std::string file = " '" + path + "' 2>&1";
    std::FILE* pipe = popen(("xmllint --noout" + file + " && ogrinfo -ro -al -q" + file).c_str(), "r");
    std::string chunk(4096, '\0'), all;
    for (std::size_t n; pipe && (n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;) all.append(chunk, 0, n);
    EXPECT_TRUE(pipe && pclose(pipe) == 0) << path << ":\n" << all;
    std::istringstream in(all);
    Lines out;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("  Name (String) = ")) out.push_back(line.substr(18));
        if (line.starts_with("  POINT") && !out.empty()) out.back() += "|" + line.substr(2);
    }
    return out;
}

// A deleted file comes back whole, and no name byte can break the XML.
TEST(Kml, StartWritesWholeDocumentNamedByClock) {
    test::TempDir dir;
    KmlTrack track(dir.path);
    track.kmlCreateFile(kNow);
    EXPECT_EQ(track.fullPath(), dir.path + "/kml/$20270102_0304.kml");
    EXPECT_EQ(slurp(track.fullPath()), header("20270102_0304") + kClose);
    EXPECT_EQ(mapView(track.fullPath()), Lines{});
    std::string all(1, '\0');
    for (int b = 1; b < 256; ++b) all += char(b);
    fs::remove(track.fullPath());
    track.kmlAppendPlacemark({all, "2026-12-05T14:15:07", "1,2,0"});
    EXPECT_TRUE(slurp(track.fullPath()).starts_with(header("20270102_0304")));
    EXPECT_EQ(mapView(track.fullPath()).size(), 1u);
}

TEST(Kml, PlacemarkLinesAndMapView) {
    const struct { const char* label; Placemark in; std::string nameXml, seen; } rows[] = {
        {"north east", {"NE", "2027-01-02T09:05:03", "12.335,44.5,0"}, "NE", "NE|POINT Z (12.335 44.5 0)"},
        {"south west", {"S/W", "2026-12-31T23:59:59", "-58.381667,-34.603333,0"}, "S/W", "S/W|POINT Z (-58.381667 -34.603333 0)"},
        {"altitude, fractions", {"alt", "2026-07-01T10:00:00", "-.5,.25,2962.4"}, "alt", "alt|POINT Z (-0.5 0.25 2962.4)"},
        {"escaped", {"09:05:03 A&B<C>D:", "2026-12-05T09:05:03", "1,2,3"}, "09:05:03 A&amp;B&lt;C&gt;D:", "09:05:03 A&B<C>D:|POINT Z (1 2 3)"},
        {"windows-1252", {"\xB0\x80\xE8\x9F\x8C\x81", "2026-12-05T12:00:00", "13,42,0"},
         "\xC2\xB0\xE2\x82\xAC\xC3\xA8\xC5\xB8\xC5\x92\xC2\x81", "\xC2\xB0\xE2\x82\xAC\xC3\xA8\xC5\xB8\xC5\x92\xC2\x81|POINT Z (13 42 0)"},
        {"control bytes", {"a\0\x07\tb\r"s, "2026-12-05T12:00:00", "13,42,0"}, "a\xEF\xBF\xBD\xEF\xBF\xBD\tb&#13;",
         "a\xEF\xBF\xBD\xEF\xBF\xBD\tb\r|POINT Z (13 42 0)"},
    };
    for (const auto& r : rows) {
        test::TempDir dir;
        KmlTrack track(dir.path);
        track.kmlCreateFile(kNow);
        track.kmlAppendPlacemark(r.in);
        EXPECT_EQ(slurp(track.fullPath()),
                  header("20270102_0304") + "  <Placemark>\r\n     <name>" + r.nameXml + "</name>\r\n   <TimeStamp>\r\n"
                      "     <when>" + r.in.when + "</when>\r\n   </TimeStamp>\r\n   <styleUrl>#quilmo-icon</styleUrl>\r\n"
                      "   <Point>\r\n     <coordinates>" + r.in.coordinates + "</coordinates>\r\n   </Point>\r\n"
                      "  </Placemark>\r\n" + kClose) << r.label;
        EXPECT_EQ(mapView(track.fullPath()), Lines{r.seen}) << r.label;
    }
}

// C start, P placemark, S stop (closes always), F filter button and X exit (close while open).
TEST(Kml, OneDocumentAfterEveryStep) {
    for (const std::string steps : {"CS", "CPFPPS", "CPSS", "CPFX", "CPPX", "CPFFP", "CPSPS"}) {
        test::TempDir dir;
        KmlTrack track(dir.path);
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
    }
}

TEST(Kml, NothingBeforeFirstStartAndStartsInOneMinuteKeepEarlierTracks) {
    test::TempDir dir;
    KmlTrack first(dir.path), laterRun(dir.path);
    first.kmlAppendPlacemark({"x", "y", "1,2,0"});
    first.kmlCloseFile();
    EXPECT_TRUE(first.fullPath().empty() && fs::is_empty(dir.path));
    for (const auto& [track, name] : {std::pair{&first, "$20270102_0304.kml"s}, {&first, "$20270102_0304_2.kml"s},
                                      {&laterRun, "$20270102_0304_3.kml"s}}) {
        track->kmlCreateFile(kNow);
        EXPECT_EQ(track->kmlPath(), name);
        track->kmlAppendPlacemark({name, "2026-12-05T14:15:07", "1,2,0"});
    }
    for (const auto& e : fs::directory_iterator(dir.path + "/kml"))
        EXPECT_EQ(mapView(e.path()), Lines{e.path().filename().string() + "|POINT Z (1 2 0)"});
    laterRun.kmlCreateFile({2027, 1, 2, 3, 5, 0});
    EXPECT_EQ(laterRun.kmlPath(), "$20270102_0305.kml");
}

}  // namespace
}  // namespace quilmo

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

// The read-back proves the escaping and the conversion to UTF-8; the time stamp it does not show.
TEST(Kml, PlacemarksAsAMapProgramReadsThem) {
    test::TempDir dir;
    KmlTrack track(dir.path);
    track.kmlCreateFile(kNow);
    track.kmlAppendPlacemark({"09:05 A&B<C>D:", "2027-01-02T09:05:03", "12.335,44.5,0"});
    track.kmlAppendPlacemark({"S/W\xB0\x80\xE8\x9F\x8C\x81", "2026-12-31T23:59:59", "-58.381667,-34.603333,2962.4"});
    EXPECT_EQ(mapView(track.fullPath()), (Lines{"09:05 A&B<C>D:|POINT Z (12.335 44.5 0)",
                                                "S/W\xC2\xB0\xE2\x82\xAC\xC3\xA8\xC5\xB8\xC5\x92\xC2\x81|POINT Z (-58.381667 -34.603333 2962.4)"}));
    const std::string when = "<when>2026-12-31T23:59:59</when>\r\n   </TimeStamp>\r\n   <styleUrl>#quilmo-icon</styleUrl>";
    EXPECT_NE(slurp(track.fullPath()).find(when), std::string::npos);
    std::string all(1, '\0');  // no name byte can break the XML
    for (int b = 1; b < 256; ++b) all += char(b);
    track.kmlAppendPlacemark({all, "2026-12-05T14:15:07", "1,2,0"});
    EXPECT_EQ(mapView(track.fullPath()).size(), 3u);
}

// C start, P placemark, S stop or filter button, D the file deleted behind our back: after
// each step the file is one whole document, the closing lines at its end exactly once.
TEST(Kml, OneDocumentAfterEveryStep) {
    for (const std::string steps : {"CS", "CPSS", "CPSPPS", "CDP", "CPDS"}) {
        test::TempDir dir;
        KmlTrack track(dir.path);
        Lines expected;
        for (const char step : steps) {
            SCOPED_TRACE(steps + " at " + step);
            const std::string n = std::to_string(expected.size());
            if (step == 'C') track.kmlCreateFile(kNow);
            if (step == 'S') track.kmlCloseFile();
            if (step == 'P') {
                track.kmlAppendPlacemark({n, "2026-12-05T14:15:07", n + ",45,0"});
                expected.push_back(n + "|POINT Z (" + n + " 45 0)");
            }
            if (step == 'D') {
                fs::remove(track.fullPath());
                expected.clear();
                continue;
            }
            const std::string text = slurp(track.fullPath());
            EXPECT_EQ(text.find(kClose), text.size() - kClose.size());
            EXPECT_NE(text.find(" <name>APRS 20270102_0304 quilmo</name>\r\n <Style id=\"quilmo-icon\">"), std::string::npos);
            EXPECT_EQ(mapView(track.fullPath()), expected);
            EXPECT_EQ(track.kmlDocumentOpen(), step == 'P');
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
}

}  // namespace
}  // namespace quilmo

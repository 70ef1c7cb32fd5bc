#include <gtest/gtest.h>

#include <ostream>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kml/kml_track.h"

namespace quilmo {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kHeader = {
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>",
    "<kml xmlns=\"http://www.opengis.net/kml/2.2\">",
    " <Document>",
    "",  // the document name, checked per case
    " <Style id=\"quilmo-icon\">",
    "  <IconStyle>",
    "  <Icon>",
    "   <href>http://maps.google.com/mapfiles/kml/paddle/grn-circle.png</href>",
    "  </Icon>",
    "  <hotSpot x=\"0\" y=\".5\" xunits=\"fraction\" yunits=\"fraction\" />",
    "  </IconStyle>",
    " </Style>",
};
const std::string kClosing = " </Document>\r\n</kml>\r\n";
const LocalTime kDecemberFifth{2026, 12, 5, 14, 15, 7};

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Splits at CR LF; a lone LF or a missing final line end makes the split fail the test.
std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text does not end with CR LF";
            break;
        }
        lines.push_back(text.substr(start, end - start));
        EXPECT_EQ(lines.back().find('\n'), std::string::npos) << lines.back();
        start = end + 2;
    }
    return lines;
}

int countOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

struct ToolRun {
    int status = -1;
    std::string output;
};

ToolRun runTool(const std::string& command) {
    ToolRun run;
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) run.output.append(buf.data(), n);
    run.status = pclose(pipe);
    return run;
}

// Single quotes keep the "$" of the file names away from the shell.
std::string quoted(const fs::path& p) { return "'" + p.string() + "'"; }

void expectWellFormed(const fs::path& p) {
    const ToolRun run = runTool("xmllint --noout " + quoted(p));
    EXPECT_EQ(run.status, 0) << "xmllint (libxml2-utils) on " << p << ":\n" << run.output;
}

struct GdalView {
    std::vector<std::string> names;
    std::vector<std::string> points;
};

// What a map program sees: GDAL's reading of the placemarks.
GdalView readWithGdal(const fs::path& p) {
    GdalView view;
    const ToolRun run = runTool("ogrinfo -ro -al -q " + quoted(p));
    EXPECT_EQ(run.status, 0) << "ogrinfo (gdal-bin) on " << p << ":\n" << run.output;
    std::size_t start = 0;
    while (start < run.output.size()) {
        auto end = run.output.find('\n', start);
        if (end == std::string::npos) end = run.output.size();
        const std::string line = run.output.substr(start, end - start);
        const std::string nameTag = "  Name (String) = ";
        if (line.rfind(nameTag, 0) == 0) view.names.push_back(line.substr(nameTag.size()));
        if (line.rfind("  POINT", 0) == 0) view.points.push_back(line.substr(2));
        start = end + 1;
    }
    return view;
}

class KmlTrackTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quilmo-kml-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        programDir = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(programDir, ec);
    }
    fs::path kmlDir() const { return programDir / "kml"; }
    std::vector<std::string> kmlFiles() const {
        std::vector<std::string> names;
        std::error_code ec;
        if (!fs::is_directory(kmlDir(), ec)) return names;
        for (const auto& e : fs::directory_iterator(kmlDir())) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path programDir;
};

// --- file name and header ---

struct NameCase {
    const char* label;
    LocalTime now;
    std::string fileName;
    std::string documentName;
};
void PrintTo(const NameCase& c, std::ostream* os) { *os << c.label; }

const NameCase kNames[] = {
    {"afternoon", {2026, 12, 5, 14, 15, 59}, "$20261205_1415.kml", " <name>APRS 20261205_1415 quilmo</name>"},
    {"single_digits_padded", {2027, 1, 2, 3, 4, 5}, "$20270102_0304.kml", " <name>APRS 20270102_0304 quilmo</name>"},
    {"midnight", {2026, 12, 31, 0, 0, 0}, "$20261231_0000.kml", " <name>APRS 20261231_0000 quilmo</name>"},
    {"early_year_four_digits", {999, 6, 7, 23, 59, 0}, "$09990607_2359.kml", " <name>APRS 09990607_2359 quilmo</name>"},
};

class KmlFileName : public KmlTrackTest, public testing::WithParamInterface<NameCase> {};

TEST_P(KmlFileName, createWritesHeaderAndClosingLines) {
    const NameCase& c = GetParam();
    KmlTrack track(programDir.string());
    track.kmlCreateFile(c.now);

    EXPECT_EQ(track.kmlPath(), c.fileName);
    EXPECT_EQ(fs::path(track.fullPath()), kmlDir() / c.fileName);
    EXPECT_FALSE(track.kmlDocumentOpen());
    std::vector<std::string> expected = kHeader;
    expected[3] = c.documentName;
    expected.push_back(" </Document>");
    expected.push_back("</kml>");
    EXPECT_EQ(crlfLines(slurp(kmlDir() / c.fileName)), expected);
    expectWellFormed(kmlDir() / c.fileName);
    EXPECT_TRUE(readWithGdal(kmlDir() / c.fileName).points.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, KmlFileName, testing::ValuesIn(kNames),
                         [](const auto& info) { return std::string(info.param.label); });

// --- placemark texts ---

struct PlacemarkCase {
    const char* label;
    Placemark placemark;
    std::string nameLine, whenLine, coordinatesLine;  // lines 2, 4, 8 of the placemark
    std::string gdalName, gdalPoint;
};
void PrintTo(const PlacemarkCase& c, std::ostream* os) { *os << c.label; }

const PlacemarkCase kPlacemarks[] = {
    {"north_east_no_altitude",
     {"09:05:03 SRC>DEST,PATH:", "2026-12-05T09:05:03", "12.335,44.5,0"},
     "     <name>09:05:03 SRC&gt;DEST,PATH:</name>", "     <when>2026-12-05T09:05:03</when>",
     "     <coordinates>12.335,44.5,0</coordinates>", "09:05:03 SRC>DEST,PATH:", "POINT Z (12.335 44.5 0)"},
    {"south_west",
     {"23:59:59 LU1ABC-9>APRS:", "2026-12-31T23:59:59", "-58.381667,-34.603333,0"},
     "     <name>23:59:59 LU1ABC-9&gt;APRS:</name>", "     <when>2026-12-31T23:59:59</when>",
     "     <coordinates>-58.381667,-34.603333,0</coordinates>", "23:59:59 LU1ABC-9>APRS:",
     "POINT Z (-58.381667 -34.603333 0)"},
    {"altitude",
     {"10:00:00 OE7XYZ-5>APDR15,WIDE1-1", "2026-07-01T10:00:00", "11.25,47.0675,2962.4"},
     "     <name>10:00:00 OE7XYZ-5&gt;APDR15,WIDE1-1</name>", "     <when>2026-07-01T10:00:00</when>",
     "     <coordinates>11.25,47.0675,2962.4</coordinates>", "10:00:00 OE7XYZ-5>APDR15,WIDE1-1",
     "POINT Z (11.25 47.0675 2962.4)"},
    {"below_one_without_leading_zero",
     {"00:00:01 G0ABC>APRS:", "2026-01-01T00:00:01", "-.5,.25,0"},
     "     <name>00:00:01 G0ABC&gt;APRS:</name>", "     <when>2026-01-01T00:00:01</when>",
     "     <coordinates>-.5,.25,0</coordinates>", "00:00:01 G0ABC>APRS:", "POINT Z (-0.5 0.25 0)"},
    {"escaped_header",
     {"09:05:03 A&B<C>D:", "2026-12-05T09:05:03", "1,2,3"},
     "     <name>09:05:03 A&amp;B&lt;C&gt;D:</name>", "     <when>2026-12-05T09:05:03</when>",
     "     <coordinates>1,2,3</coordinates>", "09:05:03 A&B<C>D:", "POINT Z (1 2 3)"},
    {"windows_1252_bytes",
     {"12:00:00 IZ0ABC>APRS,\xB0\x80\xE8:", "2026-12-05T12:00:00", "13,42,0"},
     "     <name>12:00:00 IZ0ABC&gt;APRS,\xC2\xB0\xE2\x82\xAC\xC3\xA8:</name>",
     "     <when>2026-12-05T12:00:00</when>", "     <coordinates>13,42,0</coordinates>",
     "12:00:00 IZ0ABC>APRS,\xC2\xB0\xE2\x82\xAC\xC3\xA8:", "POINT Z (13 42 0)"},
};

class KmlPlacemark : public KmlTrackTest, public testing::WithParamInterface<PlacemarkCase> {};

TEST_P(KmlPlacemark, linesAndWhatGdalReads) {
    const PlacemarkCase& c = GetParam();
    KmlTrack track(programDir.string());
    track.kmlCreateFile(kDecemberFifth);
    track.kmlAppendPlacemark(c.placemark);
    EXPECT_TRUE(track.kmlDocumentOpen());

    const fs::path file = track.fullPath();
    std::vector<std::string> expected = kHeader;
    expected[3] = " <name>APRS 20261205_1415 quilmo</name>";
    for (const std::string& line :
         {std::string("  <Placemark>"), c.nameLine, std::string("   <TimeStamp>"), c.whenLine,
          std::string("   </TimeStamp>"), std::string("   <styleUrl>#quilmo-icon</styleUrl>"),
          std::string("   <Point>"), c.coordinatesLine, std::string("   </Point>"), std::string("  </Placemark>"),
          std::string(" </Document>"), std::string("</kml>")})
        expected.push_back(line);
    EXPECT_EQ(crlfLines(slurp(file)), expected);

    expectWellFormed(file);
    const GdalView gdal = readWithGdal(file);
    EXPECT_EQ(gdal.names, std::vector<std::string>{c.gdalName});
    EXPECT_EQ(gdal.points, std::vector<std::string>{c.gdalPoint});
}

INSTANTIATE_TEST_SUITE_P(Cases, KmlPlacemark, testing::ValuesIn(kPlacemarks),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(KmlTrackTest, everyWindows1252ByteYieldsValidXml) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    all += '\0';
    KmlTrack track(programDir.string());
    track.kmlCreateFile(kDecemberFifth);
    track.kmlAppendPlacemark({all, "2026-12-05T14:15:07", "1,2,0"});
    expectWellFormed(track.fullPath());
    EXPECT_EQ(readWithGdal(track.fullPath()).points, std::vector<std::string>{"POINT Z (1 2 0)"});
}

// --- closing lines ---

// C start (create), P placemark, S stop (always closes), F filter button and X exit
// (close only while the document is open).
struct ClosingCase {
    const char* label;
    std::string steps;
    int placemarks;
    bool documentOpenAtEnd;
};
void PrintTo(const ClosingCase& c, std::ostream* os) { *os << c.label; }

const ClosingCase kClosingSteps[] = {
    {"stop_with_no_placemark", "CS", 0, false},
    {"filter_close_then_more_placemarks", "CPFPPS", 3, false},
    {"double_close", "CPSS", 1, false},
    {"filter_then_exit_without_new_placemark", "CPFX", 1, false},
    {"exit_while_open", "CPPX", 2, false},
    {"filter_twice", "CPFFP", 2, true},
    {"never_stopped", "CPP", 2, true},
    {"placemark_after_stop_keeps_one_document", "CPSPS", 2, false},
};

class KmlClosing : public KmlTrackTest, public testing::WithParamInterface<ClosingCase> {};

TEST_P(KmlClosing, fileIsOneDocumentAfterEveryStep) {
    const ClosingCase& c = GetParam();
    KmlTrack track(programDir.string());
    int appended = 0;
    for (const char step : c.steps) {
        SCOPED_TRACE(std::string("after step ") + step);
        switch (step) {
        case 'C': track.kmlCreateFile(kDecemberFifth); break;
        case 'P':
            track.kmlAppendPlacemark({"14:15:0" + std::to_string(appended) + " SRC>DEST:", "2026-12-05T14:15:07",
                                      std::to_string(appended) + ",45,0"});
            ++appended;
            break;
        case 'S': track.kmlCloseFile(); break;
        case 'F':
        case 'X':
            if (track.kmlDocumentOpen()) track.kmlCloseFile();
            break;
        default: FAIL() << "unknown step";
        }
        const std::string text = slurp(track.fullPath());
        EXPECT_EQ(countOf(text, kClosing), 1);
        EXPECT_TRUE(text.ends_with(kClosing));
        expectWellFormed(track.fullPath());
    }
    EXPECT_EQ(track.kmlDocumentOpen(), c.documentOpenAtEnd);
    const GdalView gdal = readWithGdal(track.fullPath());
    ASSERT_EQ(static_cast<int>(gdal.points.size()), c.placemarks);
    for (int i = 0; i < c.placemarks; ++i)
        EXPECT_EQ(gdal.points[i], "POINT Z (" + std::to_string(i) + " 45 0)");
    EXPECT_EQ(kmlFiles().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Cases, KmlClosing, testing::ValuesIn(kClosingSteps),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(KmlTrackTest, longTrackStaysOneDocument) {
    KmlTrack track(programDir.string());
    track.kmlCreateFile(kDecemberFifth);
    constexpr int kCount = 300;
    for (int i = 0; i < kCount; ++i) {
        track.kmlAppendPlacemark({"14:15:07 SRC>DEST:", "2026-12-05T14:15:07", std::to_string(i % 180) + ",1,0"});
        if (i % 50 == 49) track.kmlCloseFile();
    }
    track.kmlCloseFile();
    const std::string text = slurp(track.fullPath());
    EXPECT_EQ(countOf(text, "<Placemark>"), kCount);
    EXPECT_EQ(countOf(text, kClosing), 1);
    expectWellFormed(track.fullPath());
    EXPECT_EQ(readWithGdal(track.fullPath()).points.size(), static_cast<std::size_t>(kCount));
}

// --- without a file ---

struct NoFileCase {
    const char* label;
    std::string steps;  // P placemark, S close
    bool documentOpenAtEnd;
};
void PrintTo(const NoFileCase& c, std::ostream* os) { *os << c.label; }

const NoFileCase kNoFile[] = {
    {"placemark_before_any_start", "P", true},
    {"close_before_any_start", "S", false},
    {"placemark_then_close", "PS", false},
};

class KmlWithoutStart : public KmlTrackTest, public testing::WithParamInterface<NoFileCase> {};

TEST_P(KmlWithoutStart, writesNothing) {
    KmlTrack track(programDir.string());
    for (const char step : GetParam().steps) {
        if (step == 'P') track.kmlAppendPlacemark({"x", "y", "1,2,0"});
        if (step == 'S') track.kmlCloseFile();
    }
    EXPECT_TRUE(track.kmlPath().empty());
    EXPECT_TRUE(track.fullPath().empty());
    EXPECT_EQ(track.kmlDocumentOpen(), GetParam().documentOpenAtEnd);
    EXPECT_TRUE(kmlFiles().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, KmlWithoutStart, testing::ValuesIn(kNoFile),
                         [](const auto& info) { return std::string(info.param.label); });

// --- names within one minute ---

TEST_F(KmlTrackTest, startsWithinOneMinuteKeepEveryTrack) {
    KmlTrack track(programDir.string());
    const std::string names[] = {"$20261205_1415.kml", "$20261205_1415_2.kml", "$20261205_1415_3.kml"};
    for (int run = 0; run < 3; ++run) {
        LocalTime now = kDecemberFifth;
        now.second = run * 20;
        track.kmlCreateFile(now);
        EXPECT_EQ(track.kmlPath(), names[run]);
        track.kmlAppendPlacemark({"a", "2026-12-05T14:15:07", std::to_string(run) + ",0,0"});
        track.kmlCloseFile();
    }
    for (int run = 0; run < 3; ++run) {
        const fs::path file = kmlDir() / names[run];
        expectWellFormed(file);
        EXPECT_EQ(readWithGdal(file).points, std::vector<std::string>{"POINT Z (" + std::to_string(run) + " 0 0)"});
        // The suffix belongs to the file name only; the document keeps the minute's name.
        EXPECT_EQ(crlfLines(slurp(file)).at(3), " <name>APRS 20261205_1415 quilmo</name>");
    }
}

TEST_F(KmlTrackTest, laterRunInSameMinuteKeepsEarlierFile) {
    KmlTrack(programDir.string()).kmlCreateFile(kDecemberFifth);
    KmlTrack second(programDir.string());
    second.kmlCreateFile(kDecemberFifth);
    EXPECT_EQ(second.kmlPath(), "$20261205_1415_2.kml");
    LocalTime nextMinute = kDecemberFifth;
    nextMinute.minute = 16;
    second.kmlCreateFile(nextMinute);
    EXPECT_EQ(second.kmlPath(), "$20261205_1416.kml");
    EXPECT_EQ(kmlFiles(), (std::vector<std::string>{"$20261205_1415.kml", "$20261205_1415_2.kml",
                                                    "$20261205_1416.kml"}));
}

// --- file trouble ---

TEST_F(KmlTrackTest, deletedFileComesBackAsWholeDocument) {
    KmlTrack track(programDir.string());
    track.kmlCreateFile(kDecemberFifth);
    track.kmlAppendPlacemark({"a", "2026-12-05T14:15:07", "1,1,0"});
    fs::remove(track.fullPath());
    track.kmlAppendPlacemark({"b", "2026-12-05T14:15:08", "2,2,0"});
    expectWellFormed(track.fullPath());
    EXPECT_EQ(crlfLines(slurp(track.fullPath())).at(3), " <name>APRS 20261205_1415 quilmo</name>");
    EXPECT_EQ(readWithGdal(track.fullPath()).points, std::vector<std::string>{"POINT Z (2 2 0)"});

    fs::remove(track.fullPath());
    track.kmlCloseFile();
    expectWellFormed(track.fullPath());
    EXPECT_TRUE(readWithGdal(track.fullPath()).points.empty());
}

TEST_F(KmlTrackTest, blockedDirectoryIsIgnored) {
    // A plain file named "kml" stands where the directory would go.
    { std::ofstream(programDir / "kml") << "keep"; }
    KmlTrack track(programDir.string());
    track.kmlCreateFile(kDecemberFifth);
    track.kmlAppendPlacemark({"a", "2026-12-05T14:15:07", "1,1,0"});
    EXPECT_TRUE(track.kmlDocumentOpen());
    track.kmlCloseFile();
    EXPECT_FALSE(track.kmlDocumentOpen());
    EXPECT_TRUE(fs::is_regular_file(programDir / "kml"));
    EXPECT_EQ(slurp(programDir / "kml"), "keep");
}

}  // namespace
}  // namespace quilmo

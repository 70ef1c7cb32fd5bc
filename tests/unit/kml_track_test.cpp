#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <deque>
#include <memory>
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
Placemark numbered(int n) { return {"N0CALL-" + std::to_string(n), "2027-01-02T03:04:05", std::to_string(n) + ",45,0"}; }

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
            if (step == 'P') track.kmlAppendPlacemark(numbered(static_cast<int>(expected.size())));
            if (step == 'P') expected.push_back("N0CALL-" + n + "|POINT Z (" + n + " 45 0)");
            if (step == 'D') expected.clear();
            if (step == 'D' && fs::remove(track.fullPath())) continue;  // nothing to read back
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

// The disk as the track sees it: each write takes the next entry of `room` (when there
// is one) and stops after that many bytes with the disk full; a truncate fails while
// `truncateFails` counts down. A negative room lets the write through.
struct FaultyDisk : TrackFileOps {
    std::deque<int> room;
    int truncateFails = 0;
    WriteResult writeAt(const std::string& path, std::uint64_t offset, std::string_view bytes) override {
        const int n = room.empty() ? -1 : room.front();
        if (!room.empty()) room.pop_front();
        if (n < 0 || static_cast<std::size_t>(n) >= bytes.size()) return TrackFileOps::writeAt(path, offset, bytes);
        return {TrackFileOps::writeAt(path, offset, bytes.substr(0, n)).written, ENOSPC};
    }
    WriteResult truncate(const std::string& path, std::uint64_t size) override {
        return truncateFails-- > 0 ? WriteResult{0, EIO} : TrackFileOps::truncate(path, size);
    }
};

// The file a track holds when exactly these placemarks were written and nothing failed.
std::string cleanTrack(const std::vector<int>& placemarks) {
    test::TempDir dir;
    KmlTrack track(dir.path);
    track.kmlCreateFile(kNow);
    for (const int n : placemarks) track.kmlAppendPlacemark(numbered(n));
    return slurp(track.fullPath());
}

// A track on the faulty disk, started with `first` placemarks written.
struct TrackOnFaultyDisk {
    test::TempDir dir;
    FaultyDisk* disk = new FaultyDisk;
    KmlTrack track{dir.path, std::unique_ptr<TrackFileOps>(disk)};
    std::string outcomes;  // + or - for each write the track reports
    explicit TrackOnFaultyDisk(int first) {
        track.setWriteObserver([this](const std::string&, const WriteResult& r, std::uint64_t) { outcomes += r.ok() ? '+' : '-'; });
        if (first < 0) return;
        track.kmlCreateFile(kNow);
        for (int n = 1; n <= first; ++n) track.kmlAppendPlacemark(numbered(n));
        outcomes.clear();
    }
};

// A write that stops after any number of bytes leaves the file exactly as it was before it: a
// cut start leaves no file, and so does the first placemark, which writes the whole document
// again. The next write that works goes where the last complete placemark ended.
TEST(KmlFaults, WriteCutAfterAnyByteIsUndone) {
    for (const bool start : {true, false}) {
        const std::string before = start ? "<none>" : cleanTrack({1});
        const std::string after = cleanTrack(start ? std::vector{3} : std::vector{1, 3});
        const std::size_t whole = start ? cleanTrack({}).size() : cleanTrack({1, 2}).size() - before.size();
        for (int room = 0; room < static_cast<int>(whole); ++room) {
            SCOPED_TRACE((start ? "start" : "placemark") + std::string(" cut after ") + std::to_string(room) + " bytes");
            TrackOnFaultyDisk t(start ? -1 : 1);
            t.disk->room = {room};
            if (start) t.disk->room.push_back(room);
            if (start) t.track.kmlCreateFile(kNow);
            t.track.kmlAppendPlacemark(numbered(2));
            EXPECT_EQ(slurp(t.track.fullPath()), before);
            t.track.kmlAppendPlacemark(numbered(3));
            EXPECT_EQ(slurp(t.track.fullPath()), after);
            EXPECT_EQ(t.outcomes, start ? "--+" : "-+");
        }
    }
}

// Failures that also hit the undo and the repair: the next write that works leaves a
// complete document with every placemark whose write succeeded.
TEST(KmlFaults, UndoAndRepairThatFailAreFinishedByALaterWrite) {
    const struct { const char* name; std::deque<int> room; int truncateFails; std::string outcomes; std::vector<int> kept; } rows[] = {
        {"undo's closing lines cut", {30, 5}, 0, "-+", {1, 3}}, {"undo's truncate fails", {30}, 1, "-+", {1, 3}},
        {"three failures in a row", {0, -1, 100, -1, 7, -1}, 0, "---+", {1, 5}},
        {"repair fails once more", {30, 5, 3}, 0, "--+", {1, 4}},
    };
    for (const auto& r : rows) {
        TrackOnFaultyDisk t(1);
        t.disk->room = r.room;
        t.disk->truncateFails = r.truncateFails;
        for (int n = 2; n < 10 && t.outcomes.size() < r.outcomes.size(); ++n) t.track.kmlAppendPlacemark(numbered(n));
        t.track.kmlCloseFile();
        EXPECT_EQ(t.outcomes, r.outcomes) << r.name;
        EXPECT_EQ(slurp(t.track.fullPath()), cleanTrack(r.kept)) << r.name;
    }
}

}  // namespace
}  // namespace quilmo

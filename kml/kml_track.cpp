#include "kml/kml_track.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "kml/xml_text.h"
#include "platform/files.h"

namespace quilmo {
namespace {

constexpr std::string_view kIconAddress = "http://maps.google.com/mapfiles/kml/paddle/grn-circle.png";
constexpr std::string_view kClosingLines = " </Document>\r\n</kml>\r\n";
// Enough for any run; past it the start writes no new file rather than replace an old track.
constexpr int kMaxNamesPerMinute = 999;

std::string fourDigits(int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", value);
    return buf;
}

// "YYYYMMDD_HHMM": the stamp in the file name and in the document's name.
std::string stamp(const LocalTime& t) {
    return fourDigits(t.year) + twoDigits(t.month) + twoDigits(t.day) + "_" + twoDigits(t.hour) +
           twoDigits(t.minute);
}

// The stamp back from a name this writer made: "$" + stamp + [ "_n" ] + ".kml".
std::string stampOfName(const std::string& name) {
    std::string s = name.substr(1, name.size() - 5);
    const auto first = s.find('_');
    const auto last = s.rfind('_');
    if (first != last) s.erase(last);
    return s;
}

std::string header(const std::string& stampText) {
    std::string h;
    h += "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
    h += "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n";
    h += " <Document>\r\n";
    h += " <name>APRS " + stampText + " quilmo</name>\r\n";
    h += " <Style id=\"quilmo-icon\">\r\n";
    h += "  <IconStyle>\r\n";
    h += "  <Icon>\r\n";
    h += "   <href>";
    h += kIconAddress;
    h += "</href>\r\n";
    h += "  </Icon>\r\n";
    h += "  <hotSpot x=\"0\" y=\".5\" xunits=\"fraction\" yunits=\"fraction\" />\r\n";
    h += "  </IconStyle>\r\n";
    h += " </Style>\r\n";
    return h;
}

std::string placemarkLines(const Placemark& p) {
    std::string s;
    s += "  <Placemark>\r\n";
    s += "     <name>" + xmlElementText(p.name) + "</name>\r\n";
    s += "   <TimeStamp>\r\n";
    s += "     <when>" + xmlElementText(p.when) + "</when>\r\n";
    s += "   </TimeStamp>\r\n";
    s += "   <styleUrl>#quilmo-icon</styleUrl>\r\n";
    s += "   <Point>\r\n";
    s += "     <coordinates>" + xmlElementText(p.coordinates) + "</coordinates>\r\n";
    s += "   </Point>\r\n";
    s += "  </Placemark>\r\n";
    return s;
}

bool endsWithClosingLines(const std::string& path, std::uint64_t size) {
    if (size < kClosingLines.size()) return false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::string tail(kClosingLines.size(), '\0');
    const bool read = std::fseek(f, -static_cast<long>(tail.size()), SEEK_END) == 0 &&
                      std::fread(tail.data(), 1, tail.size(), f) == tail.size();
    std::fclose(f);
    return read && tail == kClosingLines;
}

}  // namespace

KmlTrack::KmlTrack(std::string programDirectory) : dir_(joinPath(programDirectory, "kml")) {}

std::string KmlTrack::fullPath() const { return kmlPath_.empty() ? std::string() : joinPath(dir_, kmlPath_); }

void KmlTrack::kmlCreateFile(const LocalTime& now) {
    makeDirectory(dir_);
    const std::string stampText = stamp(now);
    // A second start in the same minute, or a track left by an earlier run, keeps its file.
    std::string name = "$" + stampText + ".kml";
    for (int n = 2; fileExists(joinPath(dir_, name)); ++n) {
        if (n > kMaxNamesPerMinute) return;
        name = "$" + stampText + "_" + std::to_string(n) + ".kml";
    }
    kmlPath_ = std::move(name);
    // The closing lines go in at once so the file is a complete document from the start.
    writeWholeFile(fullPath(), header(stampText) + std::string(kClosingLines));
}

void KmlTrack::kmlAppendPlacemark(const Placemark& placemark) {
    kmlDocumentOpen_ = true;
    if (kmlPath_.empty()) return;
    makeDirectory(dir_);
    const std::string path = fullPath();
    const std::string lines = placemarkLines(placemark) + std::string(kClosingLines);
    const auto size = fileSize(path);
    if (!size || *size == 0) {
        // Lost (deleted, or never created): start it again as a whole document.
        writeWholeFile(path, header(stampOfName(kmlPath_)) + lines);
        return;
    }
    if (endsWithClosingLines(path, *size)) {
        // Cutting only the closing lines keeps an append cheap however long the track grows.
        std::error_code ec;
        std::filesystem::resize_file(path, *size - kClosingLines.size(), ec);
        if (ec) return;  // appending behind the closing lines would break the document
    }
    appendToFile(path, lines);
}

void KmlTrack::kmlCloseFile() {
    kmlDocumentOpen_ = false;
    if (kmlPath_.empty()) return;
    makeDirectory(dir_);
    const std::string path = fullPath();
    const auto size = fileSize(path);
    if (!size || *size == 0) {
        writeWholeFile(path, header(stampOfName(kmlPath_)) + std::string(kClosingLines));
        return;
    }
    if (endsWithClosingLines(path, *size)) return;
    appendToFile(path, kClosingLines);
}

}  // namespace quilmo

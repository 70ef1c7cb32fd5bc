#include "kml/kml_track.h"

#include <cstdio>
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

}  // namespace

WriteResult TrackFileOps::writeAt(const std::string& path, std::uint64_t offset, std::string_view bytes) {
    return writeBytesAt(path, offset, bytes);
}
WriteResult TrackFileOps::truncate(const std::string& path, std::uint64_t size) { return truncateFile(path, size); }
std::optional<std::uint64_t> TrackFileOps::size(const std::string& path) { return fileSize(path); }
std::optional<std::string> TrackFileOps::tail(const std::string& path, std::size_t count) {
    return readTail(path, count);
}
void TrackFileOps::remove(const std::string& path) { removeFile(path); }

KmlTrack::KmlTrack(std::string programDirectory, std::unique_ptr<TrackFileOps> ops)
    : dir_(joinPath(programDirectory, "kml")), ops_(std::move(ops)) {}

std::string KmlTrack::fullPath() const { return kmlPath_.empty() ? std::string() : joinPath(dir_, kmlPath_); }

void KmlTrack::kmlCreateFile(const LocalTime& now) {
    makeDirectory(dir_);  // a failure here shows as the file's own
    const std::string stampText = stamp(now);
    // A second start in the same minute, or a track left by an earlier run, keeps its file.
    std::string name = "$" + stampText + ".kml";
    for (int n = 2; fileExists(joinPath(dir_, name)); ++n) {
        if (n > kMaxNamesPerMinute) return;
        name = "$" + stampText + "_" + std::to_string(n) + ".kml";
    }
    kmlPath_ = std::move(name);
    bodyEnd_ = 0;
    // The closing lines go in at once so the file is a complete document from the start.
    writeDocument({});
}

void KmlTrack::kmlAppendPlacemark(const Placemark& placemark) {
    kmlDocumentOpen_ = true;
    if (kmlPath_.empty()) return;
    makeDirectory(dir_);
    const std::string lines = placemarkLines(placemark);
    WriteResult repair;
    switch (checkFile(repair)) {
        case FileState::NoDocument:
            // Lost (deleted, or never created): start it again as a whole document.
            writeDocument(lines);
            return;
        case FileState::Damaged:
            // Rewriting would lose the placemarks already in it; the next write tries the repair again.
            report(repair);
            return;
        case FileState::Document:
            break;
    }
    // The placemark and the closing lines go over the old closing lines in one write.
    const WriteResult result = ops_->writeAt(fullPath(), bodyEnd_, lines + std::string(kClosingLines));
    if (result.ok()) {
        bodyEnd_ += lines.size();
    } else {
        cutBack();
    }
    report(result);
}

void KmlTrack::kmlCloseFile() {
    kmlDocumentOpen_ = false;
    if (kmlPath_.empty()) return;
    makeDirectory(dir_);
    WriteResult repair;
    const FileState state = checkFile(repair);
    if (state == FileState::NoDocument) writeDocument({});
    if (state == FileState::Damaged) report(repair);
}

// Normally the file is exactly as the last write left it. Otherwise a document of this
// track is recovered where that needs no guessing: the closing lines at its end, or a
// piece of a placemark behind the last complete one that an unfinished undo left.
KmlTrack::FileState KmlTrack::checkFile(WriteResult& repair) {
    const std::string path = fullPath();
    const auto size = ops_->size(path);
    if (!size || *size == 0) return FileState::NoDocument;
    if (bodyEnd_ > 0 && *size == bodyEnd_ + kClosingLines.size()) return FileState::Document;
    if (ops_->tail(path, kClosingLines.size()) == kClosingLines) {
        bodyEnd_ = *size - kClosingLines.size();
        return FileState::Document;
    }
    if (bodyEnd_ == 0 || *size < bodyEnd_) return FileState::NoDocument;
    repair = cutBack();
    return repair.ok() ? FileState::Document : FileState::Damaged;
}

// Back to the last complete document: the closing lines rewritten where they stood,
// then the rest cut off. Both stay within space the file already holds, so this
// works on the disk that has just filled up.
WriteResult KmlTrack::cutBack() {
    const std::string path = fullPath();
    const WriteResult closing = ops_->writeAt(path, bodyEnd_, kClosingLines);
    if (!closing.ok()) return closing;
    return ops_->truncate(path, bodyEnd_ + kClosingLines.size());
}

// The whole file anew. A file that cannot be written whole is removed: no file is
// better than a broken one, and the next write starts it again.
void KmlTrack::writeDocument(std::string_view placemarks) {
    const std::string path = fullPath();
    std::string document = header(stampOfName(kmlPath_));
    const std::size_t headerSize = document.size();
    document += placemarks;
    document += kClosingLines;
    if (ops_->size(path).value_or(0) > 0) ops_->truncate(path, 0);
    const WriteResult result = ops_->writeAt(path, 0, document);
    if (result.ok()) {
        bodyEnd_ = headerSize + placemarks.size();
    } else {
        bodyEnd_ = 0;
        if (ops_->size(path)) ops_->remove(path);  // a regular file only: never a directory in its place
    }
    report(result);
}

void KmlTrack::report(const WriteResult& result) const {
    if (observer_) observer_(fullPath(), result, 0);
}

}  // namespace quilmo

#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "aprs/decoder.h"
#include "platform/files.h"
#include "platform/local_time.h"

namespace quilmo {

// The file operations the track makes, one overridable call each, so a test can
// make any write fail after any number of bytes.
class TrackFileOps {
public:
    virtual ~TrackFileOps() = default;
    virtual WriteResult writeAt(const std::string& path, std::uint64_t offset, std::string_view bytes);
    virtual WriteResult truncate(const std::string& path, std::uint64_t size);
    virtual std::optional<std::uint64_t> size(const std::string& path);
    virtual std::optional<std::string> tail(const std::string& path, std::size_t count);
    virtual void remove(const std::string& path);
};

// The KML track of one run of APRS decoding, in "<programDir>/kml". The file is a
// complete document after every call, whatever fails: a write that fails or is cut
// short is undone, and the next placemark goes where the last complete one ended.
class KmlTrack {
public:
    explicit KmlTrack(std::string programDirectory,
                      std::unique_ptr<TrackFileOps> ops = std::make_unique<TrackFileOps>());
    // Every write attempt is reported here.
    void setWriteObserver(WriteObserver observer) { observer_ = std::move(observer); }
    // New file "$YYYYMMDD_HHMM.kml" (a distinct "_2", "_3" … name within the same minute) with its header.
    void kmlCreateFile(const LocalTime& now);
    // One placemark.
    void kmlAppendPlacemark(const Placemark& placemark);
    // Makes sure the file ends with the closing lines, exactly once.
    void kmlCloseFile();

    const std::string& kmlPath() const { return kmlPath_; }  // file name only
    std::string fullPath() const;
    bool kmlDocumentOpen() const { return kmlDocumentOpen_; }

private:
    enum class FileState { Document, NoDocument, Damaged };
    FileState checkFile(WriteResult& repair);
    WriteResult cutBack();
    void writeDocument(std::string_view placemarks);
    void report(const WriteResult& result) const;

    std::string dir_;
    std::string kmlPath_;
    bool kmlDocumentOpen_ = false;
    // Where the closing lines of the file's complete document begin; 0 when the file
    // holds no document of this track.
    std::uint64_t bodyEnd_ = 0;
    std::unique_ptr<TrackFileOps> ops_;
    WriteObserver observer_;
};

}  // namespace quilmo

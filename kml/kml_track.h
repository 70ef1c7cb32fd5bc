#pragma once
#include <cstdint>
#include <string>

#include "aprs/decoder.h"
#include "platform/local_time.h"

namespace quilmo {

// The KML track of one run of APRS decoding, in "<programDir>/kml".
class KmlTrack {
public:
    explicit KmlTrack(std::string programDirectory);
    // New file "$YYYYMMDD_HHMM.kml" (a distinct "_2", "_3" … name within the same minute) with its header.
    void kmlCreateFile(const LocalTime& now);
    // One placemark; the file stays a complete document after every write.
    void kmlAppendPlacemark(const Placemark& placemark);
    // Makes sure the file ends with the closing lines, exactly once.
    void kmlCloseFile();

    const std::string& kmlPath() const { return kmlPath_; }  // file name only
    std::string fullPath() const;
    bool kmlDocumentOpen() const { return kmlDocumentOpen_; }

private:
    std::string dir_;
    std::string kmlPath_;
    bool kmlDocumentOpen_ = false;
};

}  // namespace quilmo

// quilmo-decode: a monitor capture on stdin, the records the APRS view would show on stdout.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/config.h"
#include "aprs/decoder.h"
#include "aprs/filter_file.h"
#include "aprs/framing.h"
#include "aprs/geometry.h"
#include "kml/kml_track.h"
#include "platform/files.h"
#include "platform/local_time.h"

namespace {

using namespace quilmo;

constexpr std::string_view kUsage =
    "usage: quilmo-decode [--config FILE] [--filter FILE] [--time YYYY-MM-DDTHH:MM:SS] [--kml FILE]\n"
    "  reads a monitor capture on stdin and writes the decoded APRS records to stdout\n"
    "  --config FILE  Quilmo.ini giving MYLAT, MYLONG and SPEEDZERO\n"
    "  --filter FILE  filter.ini choosing the records shown (default: all)\n"
    "  --time T       stamp every record with this local time instead of the clock\n"
    "  --kml FILE     write the shown positions as a KML track to FILE\n";

struct Options {
    std::optional<std::string> config;
    std::optional<std::string> filter;
    std::optional<std::string> kml;
    std::optional<LocalTime> pinnedTime;
    bool help = false;
};

int usage(std::string_view problem) {
    std::fprintf(stderr, "quilmo-decode: %.*s\n%.*s", static_cast<int>(problem.size()), problem.data(),
                 static_cast<int>(kUsage.size()), kUsage.data());
    return 2;
}

// Accepts "--name VALUE" and "--name=VALUE"; returns an error text, empty when all is well.
std::string parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        std::string value;
        const std::size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return "option " + arg + " needs a value, or is unknown";
        }
        if (arg == "--config") {
            options.config = value;
        } else if (arg == "--filter") {
            options.filter = value;
        } else if (arg == "--kml") {
            options.kml = value;
        } else if (arg == "--time") {
            LocalTime t;
            if (!parseIsoLocalTime(value, t)) return "bad time " + value;
            options.pinnedTime = t;
        } else {
            return "unknown option " + arg;
        }
        if (value.empty()) return "option " + arg + " needs a value";
    }
    return {};
}

// The local clock, read once per second of wall time: localtime is costly at packet rates.
class Clock {
public:
    explicit Clock(std::optional<LocalTime> pinned) : pinned_(pinned) {}
    LocalTime now() {
        if (pinned_) return *pinned_;
        const std::time_t t = std::time(nullptr);
        if (t != last_) {
            last_ = t;
            if (const std::tm* tm = std::localtime(&t))
                cached_ = {tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec};
        }
        return cached_;
    }

private:
    std::optional<LocalTime> pinned_;
    std::time_t last_ = -1;
    LocalTime cached_;
};

DecoderSettings decoderSettings(const Settings& settings) {
    DecoderSettings out;
    out.speedZero = settings.speedZero;
    if (settings.myPositionSet) {
        out.myPositionSet = true;
        out.myLongValue = dmsTextToDegrees(settings.myLong);
        out.myLatValue = dmsTextToDegrees(settings.myLat);
    }
    return out;
}

// KmlTrack names its own files inside "<dir>/kml"; the track is made in a private
// directory and copied to the file the user named when the run ends.
class KmlOutput {
public:
    bool start(const std::string& target, const LocalTime& now) {
        target_ = target;
        std::string pattern = (std::filesystem::temp_directory_path() / "quilmo-decode-XXXXXX").string();
        if (!mkdtemp(pattern.data())) return false;
        dir_ = pattern;
        track_.emplace(dir_);
        track_->kmlCreateFile(now);
        return !track_->kmlPath().empty();
    }
    void append(const Placemark& placemark) {
        if (track_) track_->kmlAppendPlacemark(placemark);
    }
    bool finish() {
        if (!track_) return true;
        track_->kmlCloseFile();
        std::error_code ec;
        std::filesystem::copy_file(track_->fullPath(), target_, std::filesystem::copy_options::overwrite_existing,
                                   ec);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
        track_.reset();
        return !ec;
    }

private:
    std::string target_;
    std::string dir_;
    std::optional<KmlTrack> track_;
};

// Large blocks: fewer system calls and fewer partial lines carried between blocks.
constexpr std::size_t kReadBlock = 1 << 20;

// The records gather in one string, written out when it is large.
class Output {
public:
    void flushIfFull(std::string& records) {
        if (records.size() >= kFlushAt) flush(records);
    }
    void flush(std::string& records) {
        if (!records.empty()) std::fwrite(records.data(), 1, records.size(), stdout);
        records.clear();
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 20;
};

// Lines may end with LF alone; the window only ever sees CR LF, so every bare LF gets its CR.
class LineEnds {
public:
    void normalise(std::string_view chunk, std::string& out) {
        out.clear();
        if (chunk.empty()) return;
        // Copied in runs up to each LF: captures are mostly CR LF already.
        std::size_t from = 0;
        for (std::size_t lf = chunk.find('\n'); lf != std::string_view::npos; lf = chunk.find('\n', from)) {
            const bool crBefore = lf > 0 ? chunk[lf - 1] == '\r' : afterCr_;
            out.append(chunk, from, lf - from);
            if (!crBefore) out.push_back('\r');
            out.push_back('\n');
            from = lf + 1;
        }
        out.append(chunk, from);
        afterCr_ = chunk.back() == '\r';
    }
    std::string_view endOfInput() const { return afterCr_ ? "\n" : "\r\n"; }
    // The caller took text up to and including an LF itself.
    void tookThroughLf() { afterCr_ = false; }

private:
    bool afterCr_ = false;
};

int run(const Options& options) {
    Settings settings;
    if (options.config) {
        const auto bytes = readWholeFile(*options.config);
        if (!bytes) return usage("cannot read " + *options.config);
        settings = parseConfiguration(*bytes);
    }
    FilterFlags filter = showAllFilter();
    if (options.filter) {
        const auto bytes = readWholeFile(*options.filter);
        if (!bytes) return usage("cannot read " + *options.filter);
        filter = parseFilterFile(*bytes);
    }
    const DecoderSettings decoder = decoderSettings(settings);
    Clock clock(options.pinnedTime);
    KmlOutput kml;
    if (options.kml && !kml.start(*options.kml, clock.now())) {
        std::fprintf(stderr, "quilmo-decode: cannot make the KML track\n");
        return 1;
    }

    Output out;
    AprsLineAssembler assembler;
    LineEnds lineEnds;
    DecodedPacket packet;  // reused: its strings keep their room from line to line
    packet.appendRecords = true;
    const auto decodeLine = [&](std::string_view line) {
        decodeAprsLineInto(line, DecodeContext{decoder, filter, clock.now(), options.kml.has_value()}, packet);
        if (packet.shown && packet.placemark) kml.append(*packet.placemark);
        out.flushIfFull(packet.record);
    };
    std::string chunk;
    std::vector<char> input(kReadBlock);
    for (;;) {
        const std::size_t n = std::fread(input.data(), 1, input.size(), stdin);
        if (n == 0) break;
        std::string_view block(input.data(), n);
        // Whole CR LF lines need no mending or copying: the usual capture goes this way.
        if (const std::size_t taken = assembler.takeWholeLines(block, decodeLine)) {
            lineEnds.tookThroughLf();
            block.remove_prefix(taken);
        }
        lineEnds.normalise(block, chunk);
        assembler.append(chunk, decodeLine);
    }
    if (!assembler.pending().empty()) assembler.append(lineEnds.endOfInput(), decodeLine);
    out.flush(packet.record);
    if (!kml.finish()) {
        std::fprintf(stderr, "quilmo-decode: cannot write %s\n", options.kml->c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const std::string problem = parseOptions(argc, argv, options);
    if (!problem.empty()) return usage(problem);
    if (options.help) {
        std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
        return 0;
    }
    return run(options);
}

// quilmo-decode: a monitor capture on stdin, the records the APRS view would show on stdout.

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "app/config.h"
#include "aprs/decoder.h"
#include "aprs/filter_file.h"
#include "aprs/framing.h"
#include "aprs/station_table.h"
#include "aprs/telemetry.h"
#include "kml/kml_track.h"
#include "platform/files.h"
#include "platform/local_time.h"

namespace {

using namespace quilmo;

constexpr std::string_view kUsage =
    "usage: quilmo-decode [--config FILE] [--filter FILE] [--time YYYY-MM-DDTHH:MM:SS] [--kml FILE]\n"
    "                     [--threads N] [--stations FILE]\n"
    "  reads a monitor capture on stdin and writes the decoded APRS records to stdout\n"
    "  --config FILE  Quilmo.ini giving MYLAT, MYLONG and SPEEDZERO\n"
    "  --filter FILE  filter.ini choosing the records shown (default: all)\n"
    "  --time T       stamp every record with this local time instead of the clock\n"
    "  --kml FILE     write the shown positions as a KML track to FILE\n"
    "  --threads N    decode large input on N threads (default: one per core)\n"
    "  --stations FILE  write the heard-stations table as CSV to FILE\n";

constexpr unsigned kMaxThreads = 256;

struct Options {
    std::optional<std::string> config;
    std::optional<std::string> filter;
    std::optional<std::string> kml;
    std::optional<std::string> stations;
    std::optional<LocalTime> pinnedTime;
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
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
        } else if (arg == "--stations") {
            options.stations = value;
        } else if (arg == "--time") {
            LocalTime t;
            if (!parseIsoLocalTime(value, t)) return "bad time " + value;
            options.pinnedTime = t;
        } else if (arg == "--threads") {
            unsigned n = 0;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
            if (ec != std::errc() || end != value.data() + value.size() || n < 1 || n > kMaxThreads)
                return "bad thread count " + value;
            options.threads = n;
        } else {
            return "unknown option " + arg;
        }
        if (value.empty()) return "option " + arg + " needs a value";
    }
    return {};
}

// The offset from UTC that this machine's time zone has at a given local time.
int utcOffsetAt(const LocalTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;  // the zone's own rules decide summer time
    const std::time_t at = std::mktime(&tm);
    std::tm back{};
    if (at == static_cast<std::time_t>(-1) || !localtime_r(&at, &back)) return 0;
    return static_cast<int>(back.tm_gmtoff / 60);
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
            // localtime_r: several threads keep clocks, and localtime shares one result buffer.
            std::tm tm{};
            if (localtime_r(&t, &tm))
                cached_ = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                           static_cast<int>(tm.tm_gmtoff / 60)};
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
        out.myLongValue = settings.myLongDegrees;
        out.myLatValue = settings.myLatDegrees;
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

// What the lines told about their stations, kept until the table takes them in line order.
// Entries are reused: their strings keep their room.
struct HeardBatch {
    std::vector<HeardFacts> entries;
    std::size_t count = 0;
    void add(const StationFacts& facts, const LocalTime& heard) {
        if (count == entries.size()) entries.emplace_back();
        entries[count].facts = facts;
        entries[count++].heard = heard;
    }
};

// The heard-stations table of the whole capture, fed in line order and written at the end.
// Its updates wait on memory more than they compute, so a thread of its own takes the lines
// in batches, in their order, while the next ones are being decoded.
class StationsOutput {
public:
    ~StationsOutput() { stop(); }

    // An empty table written at once: a file that cannot be written is found before the decoding.
    bool start(const std::string& path) {
        path_ = path;
        if (!writeWholeFile(path, stationsCsv(table_))) return false;
        feeder_ = std::thread([this] { feed(); });
        return true;
    }
    bool wanted() const { return path_.has_value(); }
    void add(const StationFacts& facts, const LocalTime& heard) {
        pending_.add(facts, heard);
        if (pending_.count == kBatch) handOver(pending_);
    }
    // A thread's batch, after the lines handed over before it; `batch` comes back empty.
    void addAll(HeardBatch& batch) {
        if (pending_.count > 0) handOver(pending_);
        if (batch.count > 0) handOver(batch);
    }
    bool finish() {
        if (!path_) return true;
        if (pending_.count > 0) handOver(pending_);
        stop();
        return writeWholeFile(*path_, stationsCsv(table_));
    }

private:
    static constexpr std::size_t kBatch = 4096;
    static constexpr std::size_t kMostQueued = 16;  // bounds the memory when the table falls behind

    // The batch goes to the queue; its place takes a used one, whose strings keep their room.
    void handOver(HeardBatch& batch) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return queue_.size() < kMostQueued; });
        HeardBatch full;
        std::swap(full, batch);
        if (!spare_.empty()) {
            std::swap(batch, spare_.back());
            spare_.pop_back();
        }
        batch.count = 0;
        queue_.push_back(std::move(full));
        changed_.notify_all();
    }
    void feed() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return !queue_.empty() || done_; });
            if (queue_.empty()) return;
            HeardBatch batch = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            table_.updateAll(batch.entries.data(), batch.count);
            lock.lock();
            spare_.push_back(std::move(batch));
            changed_.notify_all();
        }
    }
    void stop() {
        if (!feeder_.joinable()) return;
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        changed_.notify_all();
        feeder_.join();
    }

    std::optional<std::string> path_;
    StationTable table_;  // the feeder's alone until it has stopped
    HeardBatch pending_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<HeardBatch> queue_;
    std::vector<HeardBatch> spare_;
    bool done_ = false;
    std::thread feeder_;
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

// One read block through the assembler, as it came: whole CR LF lines straight from the
// block, the rest with its line ends mended. `chunk` is scratch room kept between blocks.
template <typename OnLine>
void feedBlock(std::string_view block, AprsLineAssembler& assembler, LineEnds& lineEnds, std::string& chunk,
               OnLine&& onLine) {
    if (const std::size_t taken = assembler.takeWholeLines(block, onLine)) {
        lineEnds.tookThroughLf();
        block.remove_prefix(taken);
    }
    lineEnds.normalise(block, chunk);
    assembler.append(chunk, onLine);
}

// Below this a block is decoded on the calling thread: starting threads would cost more.
constexpr std::size_t kParallelFrom = 256 * 1024;
// A line this long might be the tail of one the assembler is dropping; no cut after it.
constexpr std::size_t kLongestCutLine = 2048;

// The first cut at or after `from` where the text after it can be decoded from a fresh
// state with the same result: just after a raw CR LF (mending leaves it as it is) whose
// line lies wholly in the block, is short, not empty and not a header waiting for its
// information line. After such a line the assembler holds nothing, whatever came before.
// Returns npos when there is none before the end of the block.
std::size_t safeCut(std::string_view block, std::size_t from) {
    for (std::size_t lf = block.find('\n', from); lf != std::string_view::npos; lf = block.find('\n', lf + 1)) {
        if (lf + 1 >= block.size()) break;
        if (lf < 2 || block[lf - 1] != '\r') continue;
        const std::size_t cr = lf - 1;
        const std::size_t lookFrom = cr > kLongestCutLine ? cr - kLongestCutLine : 0;
        const std::size_t before = block.substr(lookFrom, cr - lookFrom).rfind('\n');
        if (before == std::string_view::npos) continue;
        const std::string_view line = block.substr(lookFrom + before + 1, cr - (lookFrom + before + 1));
        if (line.empty() || AprsLineAssembler::waitsForInformation(line)) continue;
        return lf + 1;
    }
    return std::string_view::npos;
}

// Telemetry definitions are state: a report's channel lines depend on the definitions
// before it. A thread that decodes a later part of a block must know those of the parts
// before; they are found by their text and decoded ahead, which is cheap as they are rare.
bool mayHoldDefinitions(std::string_view text) {
    for (const std::string_view marker : {":PARM.", ":UNIT.", ":EQNS.", ":BITS."})
        if (text.find(marker) != std::string_view::npos) return true;
    return false;
}

// The definitions `segment` carries, in their order, read with the assembler state the
// segment's thread starts from.
std::vector<TelemetryUpdate> definitionsIn(std::string_view segment, AprsLineAssembler assembler, LineEnds lineEnds,
                                           const DecoderSettings& decoder, const FilterFlags& filter) {
    std::vector<TelemetryUpdate> updates;
    std::string chunk;
    DecodedPacket packet;
    feedBlock(segment, assembler, lineEnds, chunk, [&](std::string_view line) {
        if (!mayHoldDefinitions(line)) return;
        decodeAprsLineInto(line, DecodeContext{decoder, filter, LocalTime{}, false, false}, packet);
        if (!packet.telemetryUpdate.station.empty()) updates.push_back(packet.telemetryUpdate);
    });
    return updates;
}

// The decoder state one thread owns; kept from block to block so its strings keep their room.
struct Worker {
    explicit Worker(std::optional<LocalTime> pinned) : clock(pinned) { packet.appendRecords = true; }
    Clock clock;  // each thread reads the clock itself
    AprsLineAssembler assembler;
    LineEnds lineEnds;
    DecodedPacket packet;  // its record gathers the segment's records
    std::vector<Placemark> placemarks;
    HeardBatch heard;
    std::string chunk;
    std::optional<TelemetryDefinitions> telemetry;  // what this block's segment adds to the shared definitions
};

// Decodes one segment of a block with the worker's own state; touches nothing else.
void decodeSegment(std::string_view segment, Worker& worker, AprsLineAssembler& assembler, LineEnds& lineEnds,
                   const DecoderSettings& decoder, const FilterFlags& filter, bool wantPlacemarks, bool wantStations) {
    worker.packet.record.clear();
    worker.placemarks.clear();
    worker.heard.count = 0;
    TelemetryDefinitions* telemetry = &*worker.telemetry;
    feedBlock(segment, assembler, lineEnds, worker.chunk, [&](std::string_view line) {
        const LocalTime now = worker.clock.now();
        decodeAprsLineInto(line, DecodeContext{decoder, filter, now, wantPlacemarks, wantStations, telemetry},
                           worker.packet);
        if (worker.packet.shown && worker.packet.placemark) worker.placemarks.push_back(*worker.packet.placemark);
        if (wantStations && worker.packet.recognised && !worker.packet.station.station.empty())
            worker.heard.add(worker.packet.station, now);
    });
}

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
    // The time zone is read here, once, before any thread reads the clock.
    tzset();
    std::optional<LocalTime> pinned = options.pinnedTime;
    if (pinned) pinned->utcOffsetMinutes = utcOffsetAt(*pinned);
    Clock clock(pinned);
    KmlOutput kml;
    if (options.kml && !kml.start(*options.kml, clock.now())) {
        std::fprintf(stderr, "quilmo-decode: cannot make the KML track\n");
        return 1;
    }
    const bool wantPlacemarks = options.kml.has_value();
    StationsOutput stations;
    if (options.stations && !stations.start(*options.stations)) {
        std::fprintf(stderr, "quilmo-decode: cannot write %s\n", options.stations->c_str());
        return 1;
    }
    const bool wantStations = stations.wanted();

    Output out;
    AprsLineAssembler assembler;
    LineEnds lineEnds;
    TelemetryDefinitions telemetry;
    DecodedPacket packet;  // reused: its strings keep their room from line to line
    packet.appendRecords = true;
    const auto decodeLine = [&](std::string_view line) {
        const LocalTime now = clock.now();
        decodeAprsLineInto(line, DecodeContext{decoder, filter, now, wantPlacemarks, wantStations, &telemetry}, packet);
        if (packet.shown && packet.placemark) kml.append(*packet.placemark);
        if (wantStations && packet.recognised && !packet.station.station.empty()) stations.add(packet.station, now);
        out.flushIfFull(packet.record);
    };
    std::string chunk;
    std::vector<Worker> workers;
    if (options.threads > 1) workers.reserve(options.threads);
    for (unsigned i = 0; options.threads > 1 && i < options.threads; ++i) workers.emplace_back(options.pinnedTime);
    std::vector<std::size_t> cuts;
    std::vector<std::thread> threads;

    // A large block is cut into one segment per thread at safe cuts. The first segment goes
    // on from the state the last block left; the others start fresh, which the cuts make
    // equivalent; the last one's state is what the next block goes on from.
    const auto decodeInParallel = [&](std::string_view block) {
        cuts.assign(1, 0);
        for (std::size_t i = 1; i < workers.size(); ++i) {
            const std::size_t cut = safeCut(block, std::max(cuts.back(), block.size() * i / workers.size()));
            if (cut == std::string_view::npos) break;
            cuts.push_back(cut);
        }
        cuts.push_back(block.size());
        const std::size_t segments = cuts.size() - 1;
        if (segments == 1) {
            feedBlock(block, assembler, lineEnds, chunk, decodeLine);
            return;
        }
        out.flush(packet.record);  // the records before this block go out first
        const auto segment = [&](std::size_t i) { return block.substr(cuts[i], cuts[i + 1] - cuts[i]); };
        // Each thread goes on from the shared definitions and those of the segments before its own.
        std::vector<TelemetryUpdate> before;
        for (std::size_t i = 0; i < segments; ++i) {
            Worker& w = workers[i];
            w.telemetry.emplace(TelemetryDefinitions::kMaxStations, &telemetry);
            for (const TelemetryUpdate& update : before) w.telemetry->apply(update);
            w.telemetry->takeLog();
            if (i + 1 < segments && mayHoldDefinitions(segment(i))) {
                const std::vector<TelemetryUpdate> found =
                    i == 0 ? definitionsIn(segment(i), assembler, lineEnds, decoder, filter)
                           : definitionsIn(segment(i), AprsLineAssembler(), LineEnds(), decoder, filter);
                before.insert(before.end(), found.begin(), found.end());
            }
        }
        threads.clear();
        for (std::size_t i = 1; i < segments; ++i) {
            Worker& w = workers[i];
            w.assembler.clear();
            w.lineEnds = LineEnds();
            threads.emplace_back(decodeSegment, segment(i), std::ref(w), std::ref(w.assembler), std::ref(w.lineEnds),
                                 std::cref(decoder), std::cref(filter), wantPlacemarks, wantStations);
        }
        decodeSegment(segment(0), workers[0], assembler, lineEnds, decoder, filter, wantPlacemarks, wantStations);
        for (std::thread& t : threads) t.join();
        for (std::size_t i = 0; i < segments; ++i) {
            out.flush(workers[i].packet.record);
            for (const Placemark& p : workers[i].placemarks) kml.append(p);
            // The segments in their order: the table comes out as a run on one thread makes it.
            stations.addAll(workers[i].heard);
        }
        for (std::size_t i = 0; i < segments; ++i) {
            for (const TelemetryUpdate& update : workers[i].telemetry->takeLog()) telemetry.apply(update);
            workers[i].telemetry.reset();
        }
        std::swap(assembler, workers[segments - 1].assembler);
        lineEnds = workers[segments - 1].lineEnds;
    };

    std::vector<char> input(kReadBlock);
    for (;;) {
        const std::size_t n = std::fread(input.data(), 1, input.size(), stdin);
        if (n == 0) break;
        const std::string_view block(input.data(), n);
        if (workers.size() > 1 && n >= kParallelFrom)
            decodeInParallel(block);
        else
            feedBlock(block, assembler, lineEnds, chunk, decodeLine);
    }
    if (!assembler.pending().empty()) assembler.append(lineEnds.endOfInput(), decodeLine);
    out.flush(packet.record);
    if (!kml.finish()) {
        std::fprintf(stderr, "quilmo-decode: cannot write %s\n", options.kml->c_str());
        return 1;
    }
    if (!stations.finish()) {
        std::fprintf(stderr, "quilmo-decode: cannot write %s\n", options.stations->c_str());
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

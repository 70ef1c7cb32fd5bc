#include "aprs/telemetry.h"

#include "aprs/numeric.h"
#include "aprs/text_util.h"

namespace quilmo {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

// The next comma-separated field of `text` from `at`; `at` moves past its comma.
std::string_view nextField(std::string_view text, std::size_t& at) {
    if (at > text.size()) return {};
    const std::size_t comma = text.find(',', at);
    const std::string_view field = text.substr(at, comma == kNone ? kNone : comma - at);
    at = comma == kNone ? text.size() + 1 : comma + 1;
    return field;
}

bool isNumberText(std::string_view text) {
    text = trimBlanks(text);
    if (text.empty()) return false;
    bool digit = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isAsciiDigit(c)) {
            digit = true;
        } else if (!(c == '.' || (c == '-' && i == 0))) {
            return false;
        }
    }
    return digit;
}

bool isBits(std::string_view text) {
    if (text.empty() || text.size() > 8) return false;
    for (const char c : text)
        if (c != '0' && c != '1') return false;
    return true;
}

int base91Pair(std::string_view two) { return (two[0] - 33) * 91 + (two[1] - 33); }

constexpr std::string_view kKinds[] = {"PARM.", "UNIT.", "EQNS.", "BITS."};

}  // namespace

bool readTelemetryReport(std::string_view info, TelemetryReport& out, std::string& invalid) {
    if (info.substr(0, 2) != "T#") return false;
    const std::string_view fields = info.substr(2);
    std::size_t at = 0;
    const std::string_view sequence = trimBlanks(nextField(fields, at));
    if (sequence.empty() || sequence.size() > 5) return false;
    out.sequence = sequence;
    out.analogCount = 0;
    out.bits.clear();
    for (int i = 0; i < 5 && at <= fields.size(); ++i) {
        const std::string_view value = nextField(fields, at);
        if (!isNumberText(value)) return false;
        out.analog[static_cast<std::size_t>(i)] = readNumber(value);
        ++out.analogCount;
    }
    if (at <= fields.size()) {
        // The bits may be followed by a comment of the sender's, but only all eight of them:
        // fewer with more after them are a garbled field, whose first digits mean nothing.
        const std::string_view field = nextField(fields, at);
        const std::string_view bits = field.substr(0, field.find_first_not_of("01"));
        if (!bits.empty() && bits.size() < 8 && bits.size() < field.size()) {
            invalid = "telemetry: bits ";
            invalid += field;
            return out.analogCount > 0;
        }
        if (!isBits(bits)) return false;
        out.bits = bits;
    }
    return out.analogCount > 0;
}

std::string_view commentTelemetry(std::string_view comment) {
    for (std::size_t open = comment.find('|'); open != kNone; open = comment.find('|', open + 1)) {
        const std::size_t close = comment.find('|', open + 1);
        if (close == kNone) return {};
        const std::string_view inside = comment.substr(open + 1, close - open - 1);
        if (inside.size() < 4 || inside.size() > 14 || inside.size() % 2 != 0) continue;
        bool base91 = true;
        for (const char c : inside) base91 = base91 && isBase91(c);
        if (base91) return comment.substr(open, close - open + 1);
    }
    return {};
}

bool readCommentTelemetry(std::string_view comment, TelemetryReport& out) {
    const std::string_view field = commentTelemetry(comment);
    if (field.empty()) return false;
    const std::string_view inside = field.substr(1, field.size() - 2);
    out.sequence = std::to_string(base91Pair(inside));
    const std::size_t pairs = inside.size() / 2 - 1;
    out.analogCount = static_cast<int>(pairs < 5 ? pairs : 5);
    for (int i = 0; i < out.analogCount; ++i)
        out.analog[static_cast<std::size_t>(i)] = base91Pair(inside.substr(2 + 2 * static_cast<std::size_t>(i), 2));
    out.bits.clear();
    if (pairs == 6) {
        const int value = base91Pair(inside.substr(12, 2));
        for (int bit = 0; bit < 8; ++bit) out.bits.push_back((value >> bit) & 1 ? '1' : '0');
    }
    return true;
}

bool isTelemetryDefinition(std::string_view text) {
    for (const std::string_view kind : kKinds)
        if (text.substr(0, kind.size()) == kind) return true;
    return false;
}

TelemetryDefinitions::TelemetryDefinitions(std::size_t maxStations, const TelemetryDefinitions* base)
    : maxStations_(maxStations < 1 ? 1 : maxStations), base_(base) {}

const TelemetryDefinition* TelemetryDefinitions::find(std::string_view station) const {
    const auto it = own_.find(station);
    if (it != own_.end()) return &it->second;
    return base_ ? base_->find(station) : nullptr;
}

void TelemetryDefinitions::apply(const TelemetryUpdate& update) {
    if (update.station.empty() || !isTelemetryDefinition(update.text)) return;
    if (base_) log_.push_back(update);
    auto it = own_.find(std::string_view(update.station));
    if (it == own_.end()) {
        const TelemetryDefinition* before = base_ ? base_->find(update.station) : nullptr;
        it = own_.emplace(update.station, before ? *before : TelemetryDefinition{}).first;
        order_.push_back(update.station);
        while (own_.size() > maxStations_) {
            own_.erase(order_.front());
            order_.pop_front();
        }
        it = own_.find(std::string_view(update.station));
        if (it == own_.end()) return;
    }
    TelemetryDefinition& d = it->second;
    const std::string_view kind = std::string_view(update.text).substr(0, 5);
    const std::string_view fields = std::string_view(update.text).substr(5);
    std::size_t at = 0;
    if (kind == "PARM." || kind == "UNIT.") {
        std::array<std::string, 13>& target = kind == "PARM." ? d.names : d.units;
        for (std::string& field : target) field = trimBlanks(nextField(fields, at));
    } else if (kind == "EQNS.") {
        for (std::size_t i = 0; i < 15 && at <= fields.size(); ++i) {
            const std::string_view value = nextField(fields, at);
            if (!trimBlanks(value).empty()) d.equations[i / 3][i % 3] = readNumber(value);
        }
    } else {
        d.bitSense = nextField(fields, at);
        d.project = at <= fields.size() ? fields.substr(at) : std::string_view();
    }
}

std::vector<TelemetryUpdate> TelemetryDefinitions::takeLog() {
    std::vector<TelemetryUpdate> log;
    log.swap(log_);
    return log;
}

}  // namespace quilmo

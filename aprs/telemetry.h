#pragma once
#include <array>
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "aprs/packet_extras.h"

namespace quilmo {

// "T#005,199,000,255,073,123,01101001" (the information field): sequence, up to five
// analog values and eight bits. False when it is no telemetry report. A bits field that
// is garbled gives the values without bits and says why in `invalid`.
bool readTelemetryReport(std::string_view info, TelemetryReport& out, std::string& invalid);
// "|ss1122|" somewhere in a comment: sequence and up to five values in base 91, then the
// bits as a sixth value. False when the comment holds none.
bool readCommentTelemetry(std::string_view comment, TelemetryReport& out);
// Where that telemetry stands in the comment, bars included; empty when none.
std::string_view commentTelemetry(std::string_view comment);

// What a station told about its telemetry in messages to itself: the names of its five
// analog channels and eight bits (PARM), their units (UNIT), the equations that turn
// the analog values into them (EQNS, a·x² + b·x + c) and its project (BITS).
struct TelemetryDefinition {
    std::array<std::string, 13> names;
    std::array<std::string, 13> units;
    std::array<std::array<double, 3>, 5> equations{{{0, 1, 0}, {0, 1, 0}, {0, 1, 0}, {0, 1, 0}, {0, 1, 0}}};
    std::string bitSense;
    std::string project;
};

// Whether a message's text is a telemetry definition ("PARM.", "UNIT.", "EQNS." or "BITS.").
bool isTelemetryDefinition(std::string_view text);

// The definitions heard so far, for the channel lines of later reports: state that
// outlives one decode, owned by whoever decodes a stream of packets and handed to the
// decoder in its context. It keeps the latest kMaxStations stations that sent any; one
// more lets the one that began first go.
//
// Given a base, it reads through to it and keeps only what changed since, so that
// several decoders can each go on from one shared state (quilmo-decode's threads).
class TelemetryDefinitions {
public:
    static constexpr std::size_t kMaxStations = 2000;

    explicit TelemetryDefinitions(std::size_t maxStations = kMaxStations, const TelemetryDefinitions* base = nullptr);

    void apply(const TelemetryUpdate& update);
    const TelemetryDefinition* find(std::string_view station) const;
    std::size_t size() const { return own_.size(); }

    // With a base: the updates applied since this started or the log was taken, in their
    // order, to be applied to the base in turn. Without one nothing is logged.
    std::vector<TelemetryUpdate> takeLog();

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::size_t maxStations_;
    const TelemetryDefinitions* base_;
    std::unordered_map<std::string, TelemetryDefinition, Hash, std::equal_to<>> own_;
    std::deque<std::string> order_;  // stations in the order they first sent a definition
    std::vector<TelemetryUpdate> log_;
};

}  // namespace quilmo

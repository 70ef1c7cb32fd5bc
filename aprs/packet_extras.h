#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quilmo {

// What a packet carries besides its position, motion, symbol and text, as decoded. Each
// has its record line, written after the lines every record had before (record.cpp, in
// one place), so a packet without any of it keeps its record as it was.

// A time stamp as sent: "092345z", "092345/", "234517h", or a weather report's "10090556".
struct PacketTime {
    enum class Form { None, DayTime, TimeOfDay, MonthDayTime };
    Form form = Form::None;
    int month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char zone = 'z';  // 'z' UTC, 'l' local
};

// Power, height and antenna as "PHGphgd" (or a direction finder's "DFSshgd") tells them.
struct StationPower {
    int powerW = 0;       // a DFS report's signal strength in S units, squared as PHG's power
    int heightM = 0;      // above average terrain
    int gainDb = 0;
    int directivity = 0;  // 0 omni, else the bearing in degrees
};

// One telemetry report: a "T#" packet or "|ss11|" in a comment.
struct TelemetryReport {
    std::string sequence;           // as sent ("005"), or the number a comment's base 91 gives
    std::array<double, 5> analog{};
    int analogCount = 0;
    std::string bits;               // "01101001", B1 first; empty when the report has none
    unsigned missing = 0;           // bit i: channel i + 1 was not sent (MIC-E's two-channel form)
};

// A status report's "^B7": beam heading in degrees and effective radiated power in watts.
struct BeamHeading {
    int degrees = 0;
    int erpW = 0;
};

struct TelemetryDefinition;

// One telemetry definition message: the station it is for (its addressee) and its text
// ("PARM.…", "UNIT.…", "EQNS.…" or "BITS.…").
struct TelemetryUpdate {
    std::string station;
    std::string text;
};

struct PacketExtras {
    PacketTime time;
    std::string_view device;            // vendor and model from the device list; empty when unknown
    bool deviceOnRadioLine = false;     // a MIC-E radio the "radio....:" line names already
    std::string messageNumber;          // "msg.no...:"
    std::string ack;                    // "ack......:"
    std::string reject;                 // "reject...:"
    std::optional<StationPower> phg;
    std::optional<StationPower> dfs;
    std::optional<double> rangeKm;      // RNG or a compressed position's radio range
    std::optional<BeamHeading> beam;
    std::string_view datum;             // the datum a DAO names ("WGS84"); empty without one
    std::optional<TelemetryReport> telemetry;
    // The station's channel names, units and equations, for a "T#" report; only while
    // the decode runs.
    const TelemetryDefinition* telemetryDefinition = nullptr;
    // Why a packet that looks like its kind failed its checks ("position: latitude minutes 61");
    // the record then shows only what is certain.
    std::string invalid;

    void clear() {
        time = {};
        device = {};
        deviceOnRadioLine = false;
        messageNumber.clear();
        ack.clear();
        reject.clear();
        phg.reset();
        dfs.reset();
        rangeKm.reset();
        beam.reset();
        datum = {};
        telemetry.reset();
        telemetryDefinition = nullptr;
        invalid.clear();
    }
};

}  // namespace quilmo

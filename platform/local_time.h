#pragma once
#include <string>

namespace quilmo {

// Local wall-clock time as the program shows it. Everything that stamps text
// (records, log headers, placeholders, KML names) takes one of these, so tests pin it.
struct LocalTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    // Local time minus UTC at this moment, so a map program can place the time on its own
    // clock; east of Greenwich positive.
    int utcOffsetMinutes = 0;
};

std::string twoDigits(int value);
// "HH:MM"
std::string timeText(const LocalTime& t);
// "YYYY-MM-DD" (year without leading zeros)
std::string dateText(const LocalTime& t);
// "+01:00", "-05:30", "+00:00": the offset as ISO 8601 writes it.
std::string utcOffsetText(int minutes);
// Seconds since 1970-01-01 00:00:00 of the same wall clock: for telling how long ago,
// and which of two times came first, without a time zone.
long long wallClockSeconds(const LocalTime& t);
// Parses "YYYY-MM-DDTHH:MM:SS"; false when the text has another form. The offset stays 0.
bool parseIsoLocalTime(const std::string& text, LocalTime& out);

}  // namespace quilmo

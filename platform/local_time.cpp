#include "platform/local_time.h"

#include <cstdio>

namespace quilmo {

std::string twoDigits(int value) {
    std::string s = std::to_string(value);
    return s.size() < 2 ? "0" + s : s;
}

std::string timeText(const LocalTime& t) { return twoDigits(t.hour) + ":" + twoDigits(t.minute); }

std::string dateText(const LocalTime& t) {
    return std::to_string(t.year) + "-" + twoDigits(t.month) + "-" + twoDigits(t.day);
}

std::string utcOffsetText(int minutes) {
    const int magnitude = minutes < 0 ? -minutes : minutes;
    return (minutes < 0 ? "-" : "+") + twoDigits(magnitude / 60) + ":" + twoDigits(magnitude % 60);
}

bool parseIsoLocalTime(const std::string& text, LocalTime& out) {
    LocalTime t;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &t.year, &t.month, &t.day, &t.hour,
                    &t.minute, &t.second, &tail) != 6)
        return false;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 ||
        t.second > 60 || t.hour < 0 || t.minute < 0 || t.second < 0)
        return false;
    out = t;
    return true;
}

}  // namespace quilmo

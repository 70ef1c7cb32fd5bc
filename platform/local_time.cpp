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

long long wallClockSeconds(const LocalTime& t) {
    // Days from the civil date (H. Hinnant's algorithm), March-based years.
    const long long y = t.year - (t.month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yearOfEra = y - era * 400;
    const long long dayOfYear = (153 * (t.month + (t.month > 2 ? -3 : 9)) + 2) / 5 + t.day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const long long days = era * 146097 + dayOfEra - 719468;
    return ((days * 24 + t.hour) * 60 + t.minute) * 60 + t.second;
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

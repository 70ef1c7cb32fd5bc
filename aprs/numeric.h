#pragma once
#include <string>
#include <string_view>

namespace quilmo {

// The one place for the program's number rules.

// Longest leading decimal number (optional sign, digits, optional point and
// fraction, optional exponent); blanks, tabs and line feeds anywhere are ignored;
// 0 when no number begins the text.
double readNumber(std::string_view text);

// Nearest whole number, an exact half going to the even neighbour.
double roundHalfEven(double value);

// Numeric text form: at most 15 significant digits, "." as point, no trailing
// zeros, no "0" before the point below 1, a leading blank when not negative.
// 0.5 -> " .5", -0.5 -> "-.5", 67 -> " 67", -21 -> "-21".
std::string numericText(double value);
// The same without the leading blank.
std::string trimmedNumericText(double value);
// Both appended to `out`, saving the temporary string.
void appendNumericText(std::string& out, double value);
void appendTrimmedNumericText(std::string& out, double value);

// appendTrimmedNumericText of hundredths * 60 / 100: the seconds of a coordinate whose
// minutes come with hundredths. The hundred usual values come from a table.
void appendSecondsOfHundredths(std::string& out, double hundredths);
// readNumber of the text appendSecondsOfHundredths writes for 0..99 hundredths: what the
// seconds read back as, without writing and reading them.
double secondsOfHundredthsAsRead(int hundredths);
// The same for any number of hundredths, a refined position's fractions included.
double secondsOfHundredthsAsRead(double hundredths);

// Blanks (character 32 only) removed at both ends.
inline std::string_view trimBlanks(std::string_view text) {
    std::size_t first = 0, last = text.size();
    while (first < last && text[first] == ' ') ++first;
    while (last > first && text[last - 1] == ' ') --last;
    return text.substr(first, last - first);
}

}  // namespace quilmo

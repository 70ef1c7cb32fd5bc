#include "aprs/numeric.h"

#include <charconv>
#include <cmath>

namespace quilmo {

namespace {

bool isIgnoredInNumber(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Copies the leading number of `text` into `out`, skipping the characters a number
// may be interrupted by. Returns false when no digit was found.
bool collectNumber(std::string_view text, std::string& out) {
    std::size_t i = 0;
    auto skip = [&] {
        while (i < text.size() && isIgnoredInNumber(text[i])) ++i;
    };
    auto peek = [&]() -> char { return i < text.size() ? text[i] : '\0'; };

    skip();
    if (peek() == '-' || peek() == '+') {
        if (peek() == '-') out.push_back('-');
        ++i;
        skip();
    }
    bool digits = false;
    while (isDigit(peek())) {
        out.push_back(peek());
        digits = true;
        ++i;
        skip();
    }
    if (peek() == '.') {
        ++i;
        skip();
        std::string fraction;
        while (isDigit(peek())) {
            fraction.push_back(peek());
            ++i;
            skip();
        }
        if (!fraction.empty()) {
            out.push_back('.');
            out += fraction;
            digits = true;
        }
    }
    if (!digits) return false;

    // An exponent counts only when digits follow it; "12E" is 12.
    if (peek() == 'e' || peek() == 'E') {
        std::size_t mark = i;
        std::string exponent = "e";
        ++i;
        skip();
        if (peek() == '-' || peek() == '+') {
            exponent.push_back(peek());
            ++i;
            skip();
        }
        bool expDigits = false;
        while (isDigit(peek())) {
            exponent.push_back(peek());
            expDigits = true;
            ++i;
            skip();
        }
        if (expDigits)
            out += exponent;
        else
            i = mark;
    }
    return true;
}

}  // namespace

double readNumber(std::string_view text) {
    std::string number;
    if (!collectNumber(text, number)) return 0;
    double value = 0;
    const char* first = number.data();
    const char* last = first + number.size();
    auto [ptr, ec] = std::from_chars(first, last, value);
    // Out of range: the value cannot be read, so it counts as no number.
    if (ec != std::errc() || ptr != last || !std::isfinite(value)) return 0;
    return value;
}

double roundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    double nearest = std::round(value);  // halves away from zero
    if (std::fabs(value - std::trunc(value)) == 0.5) nearest = 2.0 * std::round(value / 2.0);
    return nearest == 0 ? 0.0 : nearest;  // never "-0"
}

std::string trimmedNumericText(double value) {
    if (!std::isfinite(value) || value == 0) return "0";
    char buf[40];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    if (ec != std::errc()) return "0";
    std::string out;
    out.reserve(static_cast<std::size_t>(end - buf));
    const char* p = buf;
    if (*p == '-') out.push_back(*p++);
    // Below 1 the zero before the point is not written: .5, -.5.
    if (p + 1 < end && p[0] == '0' && p[1] == '.') ++p;
    for (; p != end; ++p) out.push_back(*p == 'e' ? 'E' : *p);
    return out;
}

std::string numericText(double value) {
    std::string text = trimmedNumericText(value);
    if (text.front() != '-') text.insert(text.begin(), ' ');
    return text;
}

std::string_view trimBlanks(std::string_view text) {
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

}  // namespace quilmo

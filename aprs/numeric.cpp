#include "aprs/numeric.h"

#include <charconv>
#include <cmath>

namespace quilmo {

namespace {

bool isIgnoredInNumber(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Collects a number's characters on the stack; numbers from packets are short, and
// a longer one (only from damaged text) spills into a heap string.
class NumberText {
public:
    void push_back(char c) {
        if (size_ < sizeof buf_) {
            buf_[size_++] = c;
            return;
        }
        if (spill_.empty()) spill_.assign(buf_, size_);
        spill_.push_back(c);
    }
    NumberText& operator+=(std::string_view more) {
        for (char c : more) push_back(c);
        return *this;
    }
    const char* data() const { return spill_.empty() ? buf_ : spill_.data(); }
    std::size_t size() const { return spill_.empty() ? size_ : spill_.size(); }
    bool empty() const { return size() == 0; }

private:
    char buf_[48];
    std::size_t size_ = 0;
    std::string spill_;
};

// Copies the leading number of `text` into `out`, skipping the characters a number
// may be interrupted by. Returns false when no digit was found.
bool collectNumber(std::string_view text, NumberText& out) {
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
        bool fraction = false;
        while (isDigit(peek())) {
            if (!fraction) out.push_back('.');
            fraction = true;
            out.push_back(peek());
            ++i;
            skip();
        }
        digits = digits || fraction;
    }
    if (!digits) return false;

    // An exponent counts only when digits follow it; "12E" is 12.
    if (peek() == 'e' || peek() == 'E') {
        std::size_t mark = i;
        NumberText exponent;
        exponent.push_back('e');
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
            out += std::string_view(exponent.data(), exponent.size());
        else
            i = mark;
    }
    return true;
}

}  // namespace

// Up to 15 digits with at most a point: the digits as a whole number are exact in a
// double, and so is the power of ten, so one division gives the correctly rounded value.
bool readShortDecimal(const char* first, const char* last, double& value) {
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    bool negative = first != last && *first == '-';
    if (negative) ++first;
    long long digits = 0;
    int count = 0;
    int fractionDigits = -1;
    for (const char* p = first; p != last; ++p) {
        if (*p == '.') {
            fractionDigits = 0;
            continue;
        }
        if (!isDigit(*p) || ++count > 15) return false;
        digits = digits * 10 + (*p - '0');
        if (fractionDigits >= 0) ++fractionDigits;
    }
    value = static_cast<double>(digits);
    if (fractionDigits > 0) value /= kPowers[fractionDigits];
    if (negative) value = -value;
    return true;
}

double readNumber(std::string_view text) {
    NumberText number;
    if (!collectNumber(text, number)) return 0;
    double value = 0;
    const char* first = number.data();
    const char* last = first + number.size();
    if (readShortDecimal(first, last, value)) return value == 0 ? 0.0 : value;
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
    // Whole numbers (speeds, distances, most degrees) need no shortest-digits search.
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(value));
        if (ec == std::errc()) return std::string(buf, end);
    }
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

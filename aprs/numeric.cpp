#include "aprs/numeric.h"
#include "platform/ascii.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <cmath>

namespace quilmo {

namespace {

bool isIgnoredInNumber(char c) { return c == ' ' || c == '\t' || c == '\n'; }

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
    while (isAsciiDigit(peek())) {
        out.push_back(peek());
        digits = true;
        ++i;
        skip();
    }
    if (peek() == '.') {
        ++i;
        skip();
        bool fraction = false;
        while (isAsciiDigit(peek())) {
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
        while (isAsciiDigit(peek())) {
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
        if (!isAsciiDigit(*p) || ++count > 15) return false;
        digits = digits * 10 + (*p - '0');
        if (fractionDigits >= 0) ++fractionDigits;
    }
    value = static_cast<double>(digits);
    if (fractionDigits > 0) value /= kPowers[fractionDigits];
    if (negative) value = -value;
    return true;
}

// The common case, plain digits with at most a point and nothing number-like after
// them, read straight from the text; anything else (blanks inside, a sign other than a
// leading "-", an exponent, more than 15 digits) goes the general way. Returns false then.
bool readPlainDecimal(std::string_view text, double& value) {
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p != end && *p == '-';
    if (negative) ++p;
    long long digits = 0;
    int count = 0;
    int fractionDigits = -1;
    for (; p != end; ++p) {
        const char c = *p;
        if (isAsciiDigit(c)) {
            if (++count > 15) return false;
            digits = digits * 10 + (c - '0');
            if (fractionDigits >= 0) ++fractionDigits;
        } else if (c == '.' && fractionDigits < 0) {
            fractionDigits = 0;
        } else {
            break;
        }
    }
    if (count == 0) return false;
    if (p != end && (isIgnoredInNumber(*p) || *p == '.' || *p == 'e' || *p == 'E')) return false;
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    value = static_cast<double>(digits);
    if (fractionDigits > 0) value /= kPowers[fractionDigits];
    if (negative && value != 0) value = -value;
    return true;
}

double readNumber(std::string_view text) {
    if (double value; readPlainDecimal(text, value)) return value;
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
    // Below 2^52 the whole part and the fraction come exactly from the integer round trip,
    // which saves the library calls of the general way.
    if (std::fabs(value) < 4503599627370496.0) {
        const long long integer = static_cast<long long>(value);
        const double whole = static_cast<double>(integer);  // never -0
        const double fraction = value - whole;
        const double away = value < 0 ? whole - 1 : whole + 1;
        if (std::fabs(fraction) < 0.5) return whole;
        if (std::fabs(fraction) > 0.5) return away;
        return integer % 2 == 0 ? whole : away;  // a tie goes to the even neighbour
    }
    double nearest = std::round(value);  // halves away from zero
    if (std::fabs(value - std::trunc(value)) == 0.5) nearest = 2.0 * std::round(value / 2.0);
    return nearest == 0 ? 0.0 : nearest;  // never "-0"
}

namespace {

constexpr std::size_t kNumericTextMax = 40;

// The exact form: shortest-digit formatting rounded to 15 significant digits.
std::size_t writeNumericTextExact(double value, char* buf) {
    char digits[kNumericTextMax];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 15);
    if (ec != std::errc()) {
        buf[0] = '0';
        return 1;
    }
    char* out = buf;
    const char* p = digits;
    if (*p == '-') *out++ = *p++;
    // Below 1 the zero before the point is not written: .5, -.5.
    if (p + 1 < end && p[0] == '0' && p[1] == '.') ++p;
    for (; p != end; ++p) *out++ = *p == 'e' ? 'E' : *p;
    return static_cast<std::size_t>(out - buf);
}

// "00".."99": two digits per division by 100.
constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
        pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// Writes `value` (below 10^8) as exactly eight digits; 32-bit arithmetic is enough.
void writeEightDigits(std::uint32_t value, char* out) {
    const std::uint32_t high = value / 10000;
    const std::uint32_t low = value % 10000;
    std::memcpy(out, &kDigitPairs[2 * (high / 100)], 2);
    std::memcpy(out + 2, &kDigitPairs[2 * (high % 100)], 2);
    std::memcpy(out + 4, &kDigitPairs[2 * (low / 100)], 2);
    std::memcpy(out + 6, &kDigitPairs[2 * (low % 100)], 2);
}

// Positions, speeds and distances mostly lie between 0.001 and 10^14: there the 15 digits
// come from the exact binary value times a power of ten in 128-bit integers, one multiplication
// instead of the shortest-digits search. An exact tie, a carry into the next decade and every
// value outside the range take the exact form. Returns 0 when it did not apply.
std::size_t writeNumericTextFast(double value, char* buf) {
    __extension__ using Wide = unsigned __int128;  // a compiler extension, hence the marker
    static constexpr std::uint64_t kPowers[] = {1ULL,
                                                10ULL,
                                                100ULL,
                                                1000ULL,
                                                10000ULL,
                                                100000ULL,
                                                1000000ULL,
                                                10000000ULL,
                                                100000000ULL,
                                                1000000000ULL,
                                                10000000000ULL,
                                                100000000000ULL,
                                                1000000000000ULL,
                                                10000000000000ULL,
                                                100000000000000ULL,
                                                1000000000000000ULL,
                                                10000000000000000ULL,
                                                100000000000000000ULL};
    const double magnitude = std::fabs(value);
    if (!(magnitude >= 1e-3 && magnitude < 1e14)) return 0;
    // Decimal exponent e with 10^e <= magnitude < 10^(e+1); a wrong guess at a decade's
    // edge shows up in the range check below.
    static constexpr double kDecadeEnds[] = {1e-2, 1e-1, 1e0, 1e1,  1e2,  1e3,  1e4,  1e5,
                                             1e6,  1e7,  1e8, 1e9,  1e10, 1e11, 1e12, 1e13};
    int e = magnitude >= 1 ? 0 : -3;  // most values are degrees, minutes and seconds
    while (e < 13 && magnitude >= kDecadeEnds[e + 3]) ++e;

    // magnitude = mantissa * 2^-shift exactly (a normal number in this range).
    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    const std::uint64_t mantissa = (bits & ((1ULL << 52) - 1)) | (1ULL << 52);
    const int shift = 1075 - static_cast<int>(bits >> 52);
    // The range above keeps the shift inside one 64-bit word, so the rounding works on
    // plain words.
    if (shift <= 0 || shift >= 64) return 0;
    const Wide product = static_cast<Wide>(mantissa) * kPowers[14 - e];
    const auto low = static_cast<std::uint64_t>(product);
    const auto high = static_cast<std::uint64_t>(product >> 64);
    if (high >> shift != 0) return 0;  // a whole part past 64 bits has more than 15 digits
    std::uint64_t whole = (low >> shift) | (high << (64 - shift));
    const std::uint64_t rest = low & ((1ULL << shift) - 1);
    const std::uint64_t half = 1ULL << (shift - 1);
    if (rest == half) return 0;
    if (rest > half) ++whole;
    if (whole < 100000000000000ULL || whole >= 1000000000000000ULL) return 0;

    // The 15 digits as 16 with a leading zero, in two 32-bit halves; the zeroed tail
    // lets the copies below move fixed 16-byte blocks.
    char padded[32] = {};
    writeEightDigits(static_cast<std::uint32_t>(whole / 100000000), padded);
    writeEightDigits(static_cast<std::uint32_t>(whole % 100000000), padded + 8);
    const char* const digits = padded + 1;
    int last = 14;  // trailing zeros are not written
    while (last > 0 && digits[last] == '0') --last;

    char* out = buf;
    if (value < 0) *out++ = '-';
    if (e >= 0) {
        std::memcpy(out, digits, 16);
        if (last <= e) return static_cast<std::size_t>(out - buf) + static_cast<std::size_t>(e) + 1;
        out[e + 1] = '.';
        std::memcpy(out + e + 2, digits + e + 1, 16);
        return static_cast<std::size_t>(out - buf) + static_cast<std::size_t>(last) + 2;
    }
    // Below 1: the point, the zeros after it, then the digits.
    out[0] = '.';
    std::memcpy(out + 1, "00", 2);
    std::memcpy(out - e, digits, 16);
    return static_cast<std::size_t>(out - buf) + static_cast<std::size_t>(last + 1 - e);
}

// Writes the trimmed numeric text of `value` into buf (room for kNumericTextMax).
std::size_t writeTrimmedNumericText(double value, char* buf) {
    if (!std::isfinite(value) || value == 0) {
        buf[0] = '0';
        return 1;
    }
    // Whole numbers (speeds, distances, most degrees) need no shortest-digits search.
    // The round trip through the integer is the whole-number test; std::trunc is a
    // library call on the baseline instruction set.
    if (std::fabs(value) < 1e15 && static_cast<double>(static_cast<long long>(value)) == value) {
        auto [end, ec] = std::to_chars(buf, buf + kNumericTextMax, static_cast<long long>(value));
        if (ec == std::errc()) return static_cast<std::size_t>(end - buf);
    }
    if (std::size_t n = writeNumericTextFast(value, buf)) return n;
    return writeNumericTextExact(value, buf);
}

}  // namespace

std::string trimmedNumericText(double value) {
    char buf[kNumericTextMax];
    return std::string(buf, writeTrimmedNumericText(value, buf));
}

void appendTrimmedNumericText(std::string& out, double value) {
    char buf[kNumericTextMax];
    out.append(buf, writeTrimmedNumericText(value, buf));
}

void appendNumericText(std::string& out, double value) {
    char buf[kNumericTextMax + 1];
    std::size_t n = writeTrimmedNumericText(value, buf + 1);
    if (buf[1] == '-') {
        out.append(buf + 1, n);
    } else {
        buf[0] = ' ';
        out.append(buf, n + 1);
    }
}

namespace {

struct ShortText {
    char text[15];
    unsigned char size;
    double readBack;  // readNumber of text
};

// Made with the general form itself, so the table cannot disagree with it. Kept out of
// line: inlined, it made every look-up save and restore registers it never uses.
[[gnu::noinline]] std::array<ShortText, 100> makeSecondsTable() {
    std::array<ShortText, 100> table{};
    for (int h = 0; h < 100; ++h) {
        char buf[kNumericTextMax];
        const std::size_t n = writeTrimmedNumericText(h * 60 / 100.0, buf);
        std::copy(buf, buf + n, table[static_cast<std::size_t>(h)].text);
        table[static_cast<std::size_t>(h)].size = static_cast<unsigned char>(n);
        table[static_cast<std::size_t>(h)].readBack = readNumber(std::string_view(buf, n));
    }
    return table;
}

const std::array<ShortText, 100>& secondsTable() {
    static const std::array<ShortText, 100> kTable = makeSecondsTable();
    return kTable;
}

}  // namespace

double secondsOfHundredthsAsRead(int hundredths) {
    return secondsTable()[static_cast<std::size_t>(hundredths)].readBack;
}

double secondsOfHundredthsAsRead(double hundredths) {
    if (hundredths >= 0 && hundredths < 100 && static_cast<double>(static_cast<int>(hundredths)) == hundredths)
        return secondsOfHundredthsAsRead(static_cast<int>(hundredths));
    std::string seconds;
    appendSecondsOfHundredths(seconds, hundredths);
    return readNumber(seconds);
}

void appendSecondsOfHundredths(std::string& out, double hundredths) {
    // Whole-number test by the integer round trip: std::trunc is a library call.
    if (hundredths >= 0 && hundredths < 100 && static_cast<double>(static_cast<int>(hundredths)) == hundredths) {
        const ShortText& entry = secondsTable()[static_cast<std::size_t>(hundredths)];
        out.append(entry.text, entry.size);
        return;
    }
    appendTrimmedNumericText(out, hundredths * 60 / 100);
}

std::string numericText(double value) {
    std::string text = trimmedNumericText(value);
    if (text.front() != '-') text.insert(text.begin(), ' ');
    return text;
}

}  // namespace quilmo

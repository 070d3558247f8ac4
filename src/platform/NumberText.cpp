// Number texts and numbers read from text.
//
// Everything here is independent of the process locale: QApplication sets the C library's
// locale from the environment, so printf/strtod could write or expect a decimal comma. The
// digit work is done with std::to_chars/std::from_chars, which always use ".".
#include "platform/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

// Below this decimal exponent a nonzero value takes the exponent form (1E-05), so .0001
// still reads ".0001" and every value with at most four decimals stays in plain form.
constexpr int kSmallestPlainExponent = -4;

bool IsIgnoredBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

// The number text with at most `digits` significant digits, without sign or blank, of a
// finite positive magnitude. The rounding to `digits` digits is decided on the exact binary
// value; an exact half goes to the even digit. Numbers of `digits` or more whole-number
// digits take the exponent form, as do those below 10^kSmallestPlainExponent.
// `zeroBeforePoint` writes "0.5" instead of ".5".
std::string MagnitudeText(double magnitude, int digits, bool zeroBeforePoint)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                      std::chars_format::scientific, digits - 1);
    const std::string sci(buffer, result.ptr);  // "d.dddddde+XX"

    const auto ePos = sci.find('e');
    std::string mantissa;
    for (size_t i = 0; i < ePos; ++i) {
        if (sci[i] != '.')
            mantissa += sci[i];
    }
    int exponent = 0;
    std::from_chars(sci.data() + ePos + 1 + (sci[ePos + 1] == '+' ? 1 : 0),
                    sci.data() + sci.size(), exponent);
    while (mantissa.size() > 1 && mantissa.back() == '0')
        mantissa.pop_back();

    if (exponent >= digits || exponent < kSmallestPlainExponent) {
        std::string text(1, mantissa[0]);
        if (mantissa.size() > 1)
            text += '.' + mantissa.substr(1);
        const int absExponent = exponent < 0 ? -exponent : exponent;
        text += exponent < 0 ? "E-" : "E+";
        if (absExponent < 10)
            text += '0';
        text += std::to_string(absExponent);
        return text;
    }
    if (exponent >= 0) {
        const size_t whole = static_cast<size_t>(exponent) + 1;
        if (mantissa.size() <= whole)
            return mantissa + std::string(whole - mantissa.size(), '0');
        return mantissa.substr(0, whole) + '.' + mantissa.substr(whole);
    }
    return (zeroBeforePoint ? "0." : ".") + std::string(static_cast<size_t>(-exponent - 1), '0')
           + mantissa;
}

enum class Lead { Blank, None, Zero };

QString NumberText(double value, int digits, Lead lead)
{
    // Not-a-number and infinities never come from the chip; they get a readable text
    // instead of digits.
    const QString positivePrefix = lead == Lead::Blank ? QStringLiteral(" ") : QString();
    if (std::isnan(value))
        return positivePrefix + QStringLiteral("NaN");
    if (value == 0)  // also minus zero
        return positivePrefix + QStringLiteral("0");
    const bool negative = std::signbit(value);
    const QString prefix = negative ? QStringLiteral("-") : positivePrefix;
    if (std::isinf(value))
        return prefix + QStringLiteral("Inf");
    return prefix
           + QString::fromLatin1(MagnitudeText(std::fabs(value), digits, lead == Lead::Zero));
}

constexpr int kSingleDigits = 7;
constexpr int kDoubleDigits = 15;

}  // namespace

QString StrSingle(float value) { return NumberText(value, kSingleDigits, Lead::Blank); }
QString StrDouble(double value) { return NumberText(value, kDoubleDigits, Lead::Blank); }
QString TrimSingle(float value) { return NumberText(value, kSingleDigits, Lead::None); }
QString TrimDouble(double value) { return NumberText(value, kDoubleDigits, Lead::None); }
QString PlainSingle(float value) { return NumberText(value, kSingleDigits, Lead::Zero); }
QString PlainDouble(double value) { return NumberText(value, kDoubleDigits, Lead::Zero); }

// The exponent letter is "E" or "e" only. A number too large for a double reads as the
// largest double of its sign (callers check their ranges), one too small as zero; the
// length of the text does not matter.
double ValText(const QString& text)
{
    std::string number;      // the accepted characters, blanks removed
    bool negative = false;
    bool anyDigit = false;
    long long scale = 0;     // rough decimal exponent of the digits read, for overflow
    bool leadingZeros = true;
    long long exponent = 0;  // exponent part

    enum class State { Sign, Whole, Fraction, ExponentSign, ExponentDigits };
    State state = State::Sign;
    std::string exponentText;
    for (const QChar c : text) {
        if (IsIgnoredBlank(c))
            continue;
        const char16_t u = c.unicode();
        const bool digit = u >= u'0' && u <= u'9';
        if (state == State::Sign) {
            state = State::Whole;
            if (u == u'-' || u == u'+') {
                negative = u == u'-';
                continue;
            }
        }
        if (state == State::Whole) {
            if (digit) {
                anyDigit = true;
                if (u != u'0')
                    leadingZeros = false;
                if (!leadingZeros) {
                    number += static_cast<char>(u);
                    ++scale;
                }
                continue;
            }
            if (u == u'.') {
                number += '.';
                state = State::Fraction;
                continue;
            }
        } else if (state == State::Fraction) {
            if (digit) {
                anyDigit = true;
                if (u != u'0')
                    leadingZeros = false;
                else if (leadingZeros)
                    --scale;
                number += static_cast<char>(u);
                continue;
            }
        } else if (state == State::ExponentSign) {
            state = State::ExponentDigits;
            if (u == u'-' || u == u'+') {
                exponentText += static_cast<char>(u);
                continue;
            }
        }
        if (state == State::ExponentDigits) {
            if (!digit)
                break;
            exponentText += static_cast<char>(u);
            if (exponent < 1'000'000'000'000)  // beyond any text length: saturate
                exponent = exponent * 10 + (u - u'0');
            continue;
        }
        if ((state == State::Whole || state == State::Fraction) && anyDigit
            && (u == u'e' || u == u'E')) {
            state = State::ExponentSign;
            continue;
        }
        break;
    }
    if (!anyDigit || leadingZeros)
        return 0.0;

    if (!exponentText.empty() && exponentText.back() != '+' && exponentText.back() != '-') {
        number += 'e';
        number += exponentText;
        if (exponentText[0] == '-')
            exponent = -exponent;
    } else {
        exponent = 0;
    }
    if (number[0] == '.')
        number.insert(0, 1, '0');

    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        value = scale + exponent > 0 ? std::numeric_limits<double>::max() : 0.0;
    if (value == 0)
        return 0.0;
    return negative ? -value : value;
}

int32_t HexValue(const QString& text, bool* overflow)
{
    uint32_t value = 0;
    int significant = 0;
    // Whether a significant digit beyond the low eight is not F.
    bool highNonF = false;
    for (const QChar c : text) {
        if (IsIgnoredBlank(c))
            continue;
        const char16_t u = c.unicode();
        int digit;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else if (u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        else
            break;
        if (significant > 0 || digit != 0)
            ++significant;
        if (significant > 8 && (value >> 28) != 0xF)
            highNonF = true;
        value = (value << 4) | static_cast<uint32_t>(digit);  // keeps the low eight digits
    }
    // Significant digits beyond eight are no overflow when they only repeat the sign of
    // a negative 32-bit value (FFFFFFFFFFFF is -1, as FFFFFFFF is).
    if (overflow)
        *overflow = significant > 8 && (highNonF || (value & 0x80000000u) == 0);
    if (value <= 0xFFFF)
        return static_cast<int16_t>(static_cast<uint16_t>(value));
    return static_cast<int32_t>(value);
}

QString HexText(double value)
{
    const int32_t whole = CLng(value);
    return QString::number(static_cast<uint32_t>(whole), 16).toUpper();
}

QString DecText(int64_t value) { return QString::number(value); }

double RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double below = std::floor(value);
    const double rest = value - below;  // exact
    if (rest > 0.5)
        return below + 1;
    if (rest < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

namespace {

template <typename Int>
Int RoundToInt(double value, bool* ok)
{
    const double rounded = RoundHalfEven(value);
    constexpr double low = std::numeric_limits<Int>::min();
    constexpr double high = std::numeric_limits<Int>::max();
    const bool fits = rounded >= low && rounded <= high;  // false for NaN
    if (ok)
        *ok = fits;
    if (fits)
        return static_cast<Int>(rounded);
    if (std::isnan(rounded))
        return 0;
    return rounded < low ? std::numeric_limits<Int>::min() : std::numeric_limits<Int>::max();
}

}  // namespace

int32_t CLng(double value, bool* ok) { return RoundToInt<int32_t>(value, ok); }
int16_t CInt(double value, bool* ok) { return RoundToInt<int16_t>(value, ok); }

// The rounding is done on the exact decimal expansion of the double (std::to_chars with a
// fixed precision), so 1.125 gives 1.12 and 1.135, stored as 1.13499999..., gives 1.13.
// A negative number of places is taken as 0.
double RoundDecimals(double value, int decimals)
{
    if (!std::isfinite(value))
        return value;
    if (decimals < 0)
        decimals = 0;
    // Every double has at most 1074 decimals, so nothing is left to round beyond that.
    if (decimals >= 1074)
        return value;
    std::string buffer(static_cast<size_t>(decimals) + 330, '\0');
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::fixed, decimals);
    double rounded = value;
    std::from_chars(buffer.data(), written.ptr, rounded);
    return rounded;
}

// Number texts and numbers read from text, exactly as the original runtime made them.
// Every window formats and parses numbers through these functions and nowhere else.
#pragma once

#include <QString>
#include <cstdint>

// Number text of a single: leading blank for zero and positive, "-" for negative, at most
// 7 significant digits, no "0" before the point below 1, trailing zeros dropped, exponent
// form ("1.5E+07") from 1E7 up and for tiny magnitudes. " .5", "-.25", " 0", " 1.5E+07".
QString StrSingle(float value);
// The same for a double with at most 15 significant digits.
QString StrDouble(double value);
// The trimmed forms (no leading blank): ".5", "-.25", "0". Labels, legends and captions.
QString TrimSingle(float value);
QString TrimDouble(double value);
// The plain form: no leading blank, "0" before the point below 1 ("0.5", "-0.25", "2.25").
QString PlainSingle(float value);
QString PlainDouble(double value);

// The number at the start of a text: sign, digits, point, exponent; blanks, tabs and line
// feeds anywhere in the text are ignored; read up to the first character that cannot
// continue the number; 0 when there is none. "12.5abc" -> 12.5, "-" -> 0, "1e3" -> 1000.
double ValText(const QString& text);

// The hexadecimal value of a text: blanks, tabs and line feeds ignored, hex digits of
// either case read up to the first other character, no digit gives 0. Up to FFFFh as a
// 16-bit two's-complement number (FFFF -> -1), larger values up to eight digits as a
// 32-bit one (FFFFFFFF -> -1). "1FH" -> 31. The value is that of the low eight digits;
// *overflow is set when the digits before them are more than a repeat of the sign of a
// negative value: FFFFFFFFFFFF gives -1, while 123456789 and F7FFFFFFF overflow.
int32_t HexValue(const QString& text, bool* overflow = nullptr);

// Hexadecimal text: upper-case digits without leading zeros of the number rounded (halves
// to even) to a 32-bit whole number; negative numbers as 32-bit two's complement
// (-1 -> "FFFFFFFF"). Values outside the 32-bit range are clamped to it.
QString HexText(double value);

// Decimal text of a whole number: "-" when negative, no blank.
QString DecText(int64_t value);

// Rounding to a whole number, halves to the even neighbour (12.5 -> 12, 13.5 -> 14).
double RoundHalfEven(double value);
// Rounded to a 32-bit or 16-bit whole number; *ok is false (and the result clamped) when
// the rounded value does not fit.
int32_t CLng(double value, bool* ok = nullptr);
int16_t CInt(double value, bool* ok = nullptr);
// Rounds to n decimal places, halves to even, judged on the exact binary value.
double RoundDecimals(double value, int decimals);

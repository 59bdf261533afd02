#pragma once
// How the program turns text into numbers and real values into integers.
#include <QString>
#include <cstdint>

namespace mdlZorvoFLV {

// Nearest integer, halves to even (2.5 -> 2, 3.5 -> 4).
std::int64_t roundHalfEven(double x);
// The same, clamped into the 32-bit range.
std::int32_t roundToInt32(double x);
// The same, clamped into the 16-bit range.
std::int16_t roundToInt16(double x);

// The lenient reading of numbers found in replies and settings: leading blanks skipped,
// blanks inside the digits ignored, reading stops at the first character that cannot
// continue a number (a NUL included); no number at all gives 0.
double valLenient(const QString& text);

// Strict reading of one decimal number ("12", "-3.25", " 7 "); false when the text is
// empty or holds anything else.
bool parseDecimal(const QString& text, double& value);

// Smallest integer not below x.
std::int32_t ceilingOf(float x);

} // namespace mdlZorvoFLV

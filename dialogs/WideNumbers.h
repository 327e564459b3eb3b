// Number conversions of the dialogs' texts, with the C runtime's _wtoi and
// _wtof rules: leading blanks skipped, an optional sign, then as much of a
// number as the text holds; text that does not begin with a number gives 0.
// Independent of the process's C locale: the decimal point is ".", as the
// runtime's default "C" locale has it on Windows.
#pragma once

#include <string>
#include <string_view>

// Out of range: INT_MAX or INT_MIN, as _wtoi clamps.
int WideToInt(std::u16string_view text);
// Out of range: plus or minus infinity, or 0 for an underflow, as _wtof.
double WideToDouble(std::u16string_view text);
// "%d" and "%.1f" in the "C" locale.
std::u16string FormatInt(int value);
std::u16string FormatFixed1(double value);

// Numbers as text: parsing a data value, the shortest text that reads back exactly (storage), and
// the compact form of at most a given width (listings).
#ifndef QUILL_HOST_NUMBER_TEXT_H
#define QUILL_HOST_NUMBER_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace quill::host {

// Underflow: a nonzero number too small for a double, read as 0 (a subnormal is a Number).
enum class NumberText { Number, NotNumber, OutOfRange, Underflow };
// A decimal number with optional sign and exponent, blanks around it allowed. A magnitude too
// small for a double becomes the nearest one (0 or a subnormal); one too large is OutOfRange.
NumberText read_number(std::string_view text, double &value);
// What read_number says of `text`, without its value: a plain decimal number well inside the
// range of a double is recognised without being converted.
NumberText number_kind(std::string_view text);
// The length of the plain decimal number at the start of `text` that number_kind recognises
// without converting it (its digits taken greedily), 0 when there is none; the rest of the text
// is not looked at.
size_t plain_number_length(std::string_view text);
// read_number's Number or Underflow.
bool parse_number(std::string_view text, double &value);
// Shortest text that reads back to the same double; "." for a missing value.
std::string storage_text(double value);
// At most `width` characters, as many significant digits as fit (BESTw.: an exponent written as
// 1.5E-7); "." for a missing value. A width too small for one digit and its exponent gets that.
std::string best_text(double value, int width = 12);
// How far short of a half the fraction of q (a value scaled to the unit it is rounded to) may
// fall and still round up: a few rounding errors of q (2.345 is stored a hair below it), never
// so much that a fraction such as .488 of a twelve-digit q counts as a half.
inline double half_tolerance(double q)
{
    const double t = 2 * 2.220446049250313e-16 * (q > 1 ? q : 1);
    return t < 0.1 ? t : 0.1;
}

} // namespace quill::host

#endif

// The formats the PUT function writes with and the informats the INPUT function reads with:
// w. and w.d (also written Fw.d), BEST. and BESTw. for numbers, $w. for character values. A
// number is written right-aligned in w characters; one that does not fit with its decimals loses
// decimals, then is written as BESTw. writes it, and fills the width with * when even that is too
// wide.
#ifndef QUILL_HOST_LANGUAGE_FORMATS_H
#define QUILL_HOST_LANGUAGE_FORMATS_H

#include <string>
#include <string_view>
#include <vector>

#include "language/tokenizer.h"

namespace quill::host {

struct ValueFormat {
    enum class Kind : unsigned char { Fixed, Best, Text };
    Kind kind = Kind::Best;
    int width = 12;
    int decimals = 0;
};

// The format (informat when `informat`) written at tokens[pos], before `end`; pos moves past it.
// False with `error` (without its place): an unknown name, a width or decimals out of range, or
// no format at all.
bool parse_value_format(const std::vector<Token> &tokens, size_t &pos, size_t end, bool informat, ValueFormat &fmt,
                       std::string &error);

// The text of a number in a numeric format, exactly fmt.width characters.
void put_number(double value, const ValueFormat &fmt, std::string &out);
// The text in a $w. format: its first w characters, padded with blanks to w.
void put_text(std::string_view text, const ValueFormat &fmt, std::string &out);
// Reads the first fmt.width characters of `text` as a number; blanks and "." read as missing.
// False when they are not a number (value is then missing). A w.d informat divides a number
// written without a decimal point or exponent by 10^d.
bool input_number(std::string_view text, const ValueFormat &fmt, double &value);
// $w.: the first w characters of `text`, leading blanks removed.
void input_text(std::string_view text, const ValueFormat &fmt, std::string &out);

} // namespace quill::host

#endif

#include "language/macro/macro_quoting.h"

#include <array>

namespace quill::host {
namespace {

// ORDER: the characters quoting hides; the i-th is stored as codes[i]. Tab, line feed, carriage
// return and form feed are not among the codes, so hidden text never breaks a line.
constexpr std::string_view hidden = ";,()+-*/<>=^~&%'\"| #";
constexpr std::array<char, 20> codes = {'\x01', '\x02', '\x03', '\x04', '\x05', '\x06', '\x07',
                                        '\x08', '\x0E', '\x0F', '\x10', '\x11', '\x12', '\x13',
                                        '\x14', '\x15', '\x16', '\x17', '\x18', '\x19'};
static_assert(hidden.size() == codes.size());

} // namespace

char mask_char(char c)
{
    const size_t at = hidden.find(c);
    return at == std::string_view::npos ? c : codes[at];
}

bool is_masked(char c)
{
    for (const char code : codes)
        if (code == c)
            return true;
    return false;
}

std::string mask_text(std::string_view text, bool with_triggers)
{
    std::string out(text);
    for (char &c : out)
        if (with_triggers || (c != '&' && c != '%'))
            c = mask_char(c);
    return out;
}

char unmask_char(char c)
{
    if (static_cast<unsigned char>(c) >= 0x20)
        return c; // the codes are all below the blank
    for (size_t i = 0; i < codes.size(); ++i)
        if (codes[i] == c)
            return hidden[i];
    return c;
}

std::string unmask_text(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = unmask_char(c);
    return out;
}

} // namespace quill::host

#include "base/utf8_text.h"

namespace quill::host {
namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";

// The longest prefix of an ill-formed sequence at text[at] that could still have begun a
// character (at least one byte): it is replaced as a whole.
size_t ill_formed_length(std::string_view text, size_t at)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t need = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 1;
    size_t length = 1;
    while (length < need && at + length < text.size()) {
        const unsigned char next = byte(at + length);
        // The second byte's range depends on the lead (no overlong form, surrogate or > U+10FFFF).
        unsigned char low = 0x80, high = 0xBF;
        if (length == 1) {
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
            else if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        }
        if (next < low || next > high)
            break;
        ++length;
    }
    return length;
}

} // namespace

size_t utf8_character_length(std::string_view text, size_t at)
{
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80)
        return 1;
    const size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    const size_t length = ill_formed_length(text, at);
    return lead >= 0xC2 && lead <= 0xF4 && length == need ? need : 0;
}

bool is_valid_utf8(std::string_view text)
{
    for (size_t at = 0; at < text.size();) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        const size_t length = utf8_character_length(text, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

std::string repaired_utf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8_character_length(text, at);
        if (length > 0) {
            out.append(text.substr(at, length));
            at += length;
        } else {
            out.append(replacement);
            at += ill_formed_length(text, at);
        }
    }
    return out;
}

} // namespace quill::host

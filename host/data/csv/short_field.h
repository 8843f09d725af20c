// Splitting a CSV record a window of bytes at a time: where an unquoted field shorter than the
// window ends, and whether it is a plain decimal number without an exponent, found from masks
// of the whole window instead of byte by byte. Most cells of a data set are such numbers.
#ifndef QUILL_HOST_DATA_CSV_SHORT_FIELD_H
#define QUILL_HOST_DATA_CSV_SHORT_FIELD_H

#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quill::host {

// Bytes looked at from a field's first: a field that ends inside them is a short field.
constexpr size_t short_field_window = 32;

// Where an unquoted field ends, and which of its bytes are digits.
struct ShortField {
    const char *data = nullptr;
    size_t size = 0;          // bytes before the first separator, line end or quote
    std::uint32_t digits = 0; // bit i: byte i is a digit (bytes up to the window's end)

    // An optional leading minus, digits and at most one point, a digit at least: a number that
    // needs no further check. Without branches: the signs of a column's numbers are not predictable.
    bool plain_decimal() const
    {
        const std::uint32_t in_field = (std::uint32_t{1} << size) - 1;
        std::uint32_t others = ~digits & in_field;
        others &= ~static_cast<std::uint32_t>(data[0] == '-');
        const bool point = data[std::countr_zero(others | 0x80000000u)] == '.';
        return ((digits & in_field) != 0) & ((others & (others - 1)) == 0) & ((others == 0) | point);
    }
};

// Looks at the short_field_window bytes from `at`, all of which must be readable. False when none
// of them ends the field (a separator, CR, LF or a quote), or where the processor has no vector
// instructions this uses.
inline bool short_field(const char *at, char separator, ShortField &field)
{
#if defined(__SSE2__)
    std::uint32_t ends = 0, digits = 0;
    for (int h = 0; h < 2; ++h) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + 16 * h));
        const __m128i end = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(separator)), _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))),
            _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(v, _mm_set1_epi8('"'))));
        // Signed comparison: bytes from 0x80 up are negative, never digits.
        const __m128i digit =
            _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('0' - 1)), _mm_cmplt_epi8(v, _mm_set1_epi8('9' + 1)));
        ends |= static_cast<std::uint32_t>(_mm_movemask_epi8(end)) << (16 * h);
        digits |= static_cast<std::uint32_t>(_mm_movemask_epi8(digit)) << (16 * h);
    }
    if (ends == 0)
        return false;
    field.data = at;
    field.size = static_cast<size_t>(std::countr_zero(ends));
    field.digits = digits;
    return true;
#else
    (void)at;
    (void)separator;
    (void)field;
    return false;
#endif
}

} // namespace quill::host

#endif

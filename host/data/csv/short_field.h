// Splitting CSV records a block of bytes at a time: where an unquoted field shorter than a block
// ends, and whether it is a plain decimal number without an exponent, found from masks of whole
// blocks instead of byte by byte. Most cells of a data set are such numbers.
#ifndef QUILL_HOST_DATA_CSV_SHORT_FIELD_H
#define QUILL_HOST_DATA_CSV_SHORT_FIELD_H

#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quill::host {

// Bytes classified at once.
constexpr size_t mask_block = 64;

// A block's bytes that end a field (a separator, CR, LF or a quote) and those that are digits,
// bit i for byte i.
struct BlockMasks {
    std::uint64_t ends = 0;
    std::uint64_t digits = 0;
};

// The masks of the mask_block bytes from `at`, all of which must be readable; false where the
// processor has no vector instructions this uses.
inline bool block_masks(const char *at, char separator, BlockMasks &masks)
{
#if defined(__SSE2__)
    masks = {};
    for (int q = 0; q < 4; ++q) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + 16 * q));
        const __m128i end = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(separator)), _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))),
            _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(v, _mm_set1_epi8('"'))));
        // Signed comparison: bytes from 0x80 up are negative, never digits.
        const __m128i digit =
            _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('0' - 1)), _mm_cmplt_epi8(v, _mm_set1_epi8('9' + 1)));
        masks.ends |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(end))) << (16 * q);
        masks.digits |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(digit))) << (16 * q);
    }
    return true;
#else
    (void)at;
    (void)separator;
    (void)masks;
    return false;
#endif
}

// An unquoted field shorter than a block, with the digit mask of the bytes from its first.
struct ShortField {
    const char *data = nullptr;
    size_t size = 0;          // bytes before the byte that ends it
    std::uint64_t digits = 0; // bit i: byte i is a digit (at least up to the end)

    // An optional leading minus, digits and at most one point, a digit at least: a number that
    // needs no further check. Without branches: the signs of a column's numbers are not predictable.
    bool plain_decimal() const
    {
        const std::uint64_t in_field = (std::uint64_t{1} << size) - 1;
        std::uint64_t others = ~digits & in_field;
        others &= ~static_cast<std::uint64_t>(data[0] == '-');
        const bool point = data[others != 0 ? std::countr_zero(others) : 0] == '.';
        return ((digits & in_field) != 0) & ((others & (others - 1)) == 0) & ((others == 0) | point);
    }
};

} // namespace quill::host

#endif

// Level texts, their hash, discovery, heap sort and coding for CLASS predictors.
#include "data/class_levels.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "host_link.h"

namespace quill::proc {
namespace {

// Open addressing from a level text to a number; run memory, grown by doubling.
struct level_hash {
    const name33 **keys = nullptr;
    int32_t *values = nullptr;
    uint32_t mask = 0;
    int32_t count = 0;
};

uint32_t hash_text(const name33 &text) {
    uint32_t h = 2166136261u; // FNV-1a
    for (int k = 0; k < kNameWidth; ++k) {
        h ^= static_cast<unsigned char>(text.text[k]);
        h *= 16777619u;
    }
    return h;
}

void hash_init(level_hash &h, uint32_t capacity) {
    h.keys = allocate_array<const name33 *>(capacity);
    h.values = allocate_array<int32_t>(capacity);
    h.mask = capacity - 1;
    h.count = 0;
}

// The slot holding `text`, or the empty slot where it belongs.
uint32_t hash_slot(const level_hash &h, const name33 &text) {
    uint32_t at = hash_text(text) & h.mask;
    while (h.keys[at] != nullptr && compare_texts(*h.keys[at], text) != 0) at = (at + 1) & h.mask;
    return at;
}

int32_t hash_find(const level_hash &h, const name33 &text) {
    const uint32_t at = hash_slot(h, text);
    return h.keys[at] != nullptr ? h.values[at] : -1;
}

void hash_insert(level_hash &h, const name33 *text, int32_t value) {
    if (static_cast<uint32_t>(h.count + 1) * 2 > h.mask + 1) {
        const level_hash old = h;
        hash_init(h, (old.mask + 1) * 2);
        for (uint32_t k = 0; k <= old.mask; ++k)
            if (old.keys[k] != nullptr) hash_insert(h, old.keys[k], old.values[k]);
    }
    const uint32_t at = hash_slot(h, *text);
    h.keys[at] = text;
    h.values[at] = value;
    ++h.count;
}

void swap_entries(name33 *texts, int32_t *freqs, int32_t a, int32_t b) {
    const name33 text = texts[a];
    texts[a] = texts[b];
    texts[b] = text;
    const int32_t freq = freqs[a];
    freqs[a] = freqs[b];
    freqs[b] = freq;
}

// Restores the max-heap below `root` within [0, end).
void sift_down(name33 *texts, int32_t *freqs, int32_t root, int32_t end) {
    for (;;) {
        int32_t child = 2 * root + 1;
        if (child >= end) return;
        if (child + 1 < end && compare_texts(texts[child], texts[child + 1]) < 0) ++child;
        if (compare_texts(texts[root], texts[child]) >= 0) return;
        swap_entries(texts, freqs, root, child);
        root = child;
    }
}

} // namespace

int compare_texts(const name33 &a, const name33 &b) { return std::memcmp(a.text, b.text, kNameWidth); }

bool is_blank(const name33 &text) {
    for (int k = 0; k < kNameWidth; ++k)
        if (text.text[k] != ' ') return false;
    return true;
}

void upper_case(name33 &text) {
    for (int k = 0; k < kNameWidth; ++k)
        if (text.text[k] >= 'a' && text.text[k] <= 'z') text.text[k] = static_cast<char>(text.text[k] - 'a' + 'A');
}

void numeric_level_text(double value, name33 &out) {
    char buffer[64];
    if (value - std::floor(value) <= 1e-10) {
        if (value >= static_cast<double>(INT32_MIN) && value < 2147483648.0)
            std::snprintf(buffer, sizeof buffer, "%-10ld", static_cast<long>(static_cast<int32_t>(value)));
        else // beyond 32 bits: all digits, so that distinct values stay distinct levels
            std::snprintf(buffer, sizeof buffer, "%-10.17g", value);
    } else {
        std::snprintf(buffer, sizeof buffer, "%-10f", value);
    }
    std::memset(out.text, ' ', kNameWidth);
    std::memcpy(out.text, buffer, strnlen(buffer, kNameWidth));
    out.text[kNameWidth] = '\0';
}

void sort_levels(name33 *texts, int32_t *freqs, int32_t count, bool descending) {
    for (int32_t root = count / 2 - 1; root >= 0; --root) sift_down(texts, freqs, root, count);
    for (int32_t end = count - 1; end > 0; --end) {
        swap_entries(texts, freqs, 0, end);
        sift_down(texts, freqs, 0, end);
    }
    if (descending)
        for (int32_t k = 0; k < count / 2; ++k) swap_entries(texts, freqs, k, count - 1 - k);
}

void code_class_predictor(const proc_options &options, proc_data &data, int32_t i) {
    const name33 *texts = data.texts[i];
    double *column = data.columns[i];

    // Discovery: each used observation's level, numbered in order of first occurrence.
    level_hash found;
    hash_init(found, 64);
    int32_t *discovered = allocate_array<int32_t>(data.nobs);
    for (int32_t o = 0; o < data.nobs; ++o) {
        if (data.excluded[o]) continue;
        int32_t level = hash_find(found, texts[o]);
        if (level < 0) {
            level = found.count;
            hash_insert(found, &texts[o], level);
        }
        discovered[o] = level;
    }
    const int32_t levels = found.count;

    // The table in order of first occurrence, then sorted.
    name33 *table = allocate_array<name33>(levels);
    int32_t *freqs = allocate_array<int32_t>(levels);
    for (int32_t o = 0; o < data.nobs; ++o) {
        if (data.excluded[o]) continue;
        if (freqs[discovered[o]]++ == 0) table[discovered[o]] = texts[o];
    }
    sort_levels(table, freqs, levels, options.class_descending);

    level_hash sorted;
    hash_init(sorted, 64);
    for (int32_t k = 0; k < levels; ++k) hash_insert(sorted, &table[k], k);
    int32_t *position = allocate_array<int32_t>(levels);
    for (uint32_t k = 0; k <= found.mask; ++k)
        if (found.keys[k] != nullptr) position[found.values[k]] = hash_find(sorted, *found.keys[k]);

    for (int32_t o = 0; o < data.nobs; ++o) {
        if (!data.excluded[o]) column[o] = position[discovered[o]];
        else if (data.response_only_missing[o]) column[o] = hash_find(sorted, texts[o]);
    }

    // With WEIGHT a level's rows are not its weight: the listing shows both.
    double *weight_sums = nullptr;
    if (options.weighted) {
        weight_sums = allocate_array<double>(levels);
        const double *weights = data.columns[options.weight_index()];
        for (int32_t o = 0; o < data.nobs; ++o)
            if (!data.excluded[o]) weight_sums[static_cast<int32_t>(column[o])] += weights[o];
    }

    data.classes[i] = {levels, levels - 1, table, freqs, weight_sums};
}

} // namespace quill::proc

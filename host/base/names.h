// The name rules of the host, in one place: what a SAS name is, how names compare (without regard
// to case), the names a data set can store, the routine table's text operations on fixed-length
// names (removing a pattern, trimming, making a valid name), and finding a free name for a variable
// whose name is taken.
#ifndef QUILL_HOST_BASE_NAMES_H
#define QUILL_HOST_BASE_NAMES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace quill::host {

constexpr size_t max_name_length = 32; // bytes of a variable, data set or member name

std::string upper_case(std::string_view text);
std::string lower_case(std::string_view text);
bool same_name(std::string_view a, std::string_view b); // case-insensitive
// A SAS name: a letter or '_', then letters, digits or '_', at most 32 characters.
bool is_valid_name(std::string_view name);

// Removes every occurrence of `pattern` from text[0, length), blank-filling the end.
void remove_pattern_text(char *text, int32_t length, const char *pattern);
// Trims trailing blanks of text[0, length) and puts the zero byte after the last character.
void trim_name_text(char *text, int32_t length);
// Makes text[0, length) a valid name: surrounding blanks dropped, upper case, any character that
// cannot stand in a name becomes '_', '_' before a leading digit, at most 32 characters; the rest
// is blank-filled and text[length] becomes the zero byte.
void valid_name_text(char *text, int32_t length);
std::string valid_name(std::string_view text);
// The name VALIDVARNAME=V7 makes of a column name: its case kept, each character that cannot stand
// in a SAS name (a UTF-8 character counts as one) becomes '_', '_' before a leading digit, at most
// 32 characters: "Birth Weight" is Birth_Weight, "2nd dose" _2nd_dose.
std::string v7_name(std::string_view text);
// A name a data set can store and read back: 1 to 32 bytes, no control characters, and neither
// beginning nor ending with a blank (the reader drops blanks around a name).
bool is_storable_name(std::string_view name);
// The first `bytes` bytes of text, shortened so that no UTF-8 character is cut in two.
std::string_view utf8_prefix(std::string_view text, size_t bytes);

// The variable names of one data set, compared without regard to case, with hashed look-ups so
// that wide data sets stay linear.
class NameSet {
public:
    void reserve(size_t count) { upper_.reserve(count); }
    bool contains(std::string_view name) const;
    bool insert(std::string_view name); // false when the name is taken
    // `name` when it is free, else name with a numeric suffix replacing its tail so that it stays
    // within 32 bytes; the name returned is taken from then on.
    std::string claim(std::string_view name);

private:
    std::unordered_set<std::string> upper_;
    std::unordered_map<std::string, long> next_suffix_;
};

} // namespace quill::host

#endif

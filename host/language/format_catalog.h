// The formats and informats PROC FORMAT defines, kept for the run: VALUE maps ranges of values to
// labels (or to another format, written [DATE9.]), INVALUE maps ranges of text to values. A
// numeric range has two ends, each included unless written with < (18-<65), LOW and HIGH for
// the ends of the line (neither matches a missing value), a list of values (1, 2, 3), `.` for
// missing values, and OTHER for everything no range matches (missing values included).
#ifndef QUILL_HOST_LANGUAGE_FORMAT_CATALOG_H
#define QUILL_HOST_LANGUAGE_FORMAT_CATALOG_H

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "language/formats.h"

namespace quill::host {

// One range of a user format and what its values become.
struct FormatRange {
    // Numeric ranges: low .. high, an end left out when marked excluded; LOW and HIGH are the
    // infinities. `missing` is the range `.`, which matches missing values only.
    double low = 0, high = 0;
    bool low_excluded = false, high_excluded = false;
    bool missing = false;
    // Character ranges (and the quoted ranges of a numeric informat): low_text .. high_text, byte
    // order, trailing blanks ignored; `lowest` and `highest` stand for LOW and HIGH.
    bool text = false;
    std::string low_text, high_text;
    bool lowest = false, highest = false;

    enum class Target : unsigned char { Label, Format, Same, Error };
    Target target = Target::Label;
    std::string label;                   // VALUE: the label; $INVALUE: the text read
    std::shared_ptr<ValueFormat> nested; // Target::Format: [format.]
    double number = 0;                   // INVALUE: the value read (missing allowed)
};

struct UserFormat {
    std::string name;       // upper case, without the $
    bool character = false; // a $ format: of character values (a $ informat: reads to text)
    bool informat = false;  // INVALUE
    std::vector<FormatRange> ranges; // ordered by their low ends
    bool has_other = false;
    FormatRange other;
    int default_width = 1; // the longest label, or DEFAULT=
    double fuzz = 1e-12;   // a single value matches within this
    bool upcase = false, just = false; // INVALUE (UPCASE JUST): the text is upper-cased, left-aligned first

    // The numeric (character) range a value falls in, else OTHER when `other`; nullptr when none.
    const FormatRange *find(double value, bool other = true) const;
    const FormatRange *find(std::string_view text, bool other = true) const;
    // "AGEGRP" or "$SEX".
    std::string shown_name() const { return (character ? "$" : "") + name; }
};

class FormatCatalog {
public:
    // Adds a format, replacing one of the same name and kind.
    void define(std::shared_ptr<const UserFormat> format);
    std::shared_ptr<const UserFormat> find(std::string_view name, bool character, bool informat) const;
    // In order of name: formats, then informats.
    std::vector<std::shared_ptr<const UserFormat>> all() const;

private:
    std::map<std::string, std::shared_ptr<const UserFormat>> formats_; // by kind and name
};

// What a user format writes for a number or a text, fmt.width characters (label left-aligned;
// a number no range takes is written as BESTw. writes it; a text no range takes, as itself).
void put_user_number(double value, const ValueFormat &fmt, std::string &out);
void put_user_text(std::string_view text, const ValueFormat &fmt, std::string &out);
// What a user informat reads from text: a numeric informat's value (text no range takes is read
// as a number), a $ informat's text (text no range takes is itself). False for _ERROR_ and for
// text that is not a number.
bool input_user_number(std::string_view text, const ValueFormat &fmt, double &value);
bool input_user_text(std::string_view text, const ValueFormat &fmt, std::string &out);

} // namespace quill::host

#endif

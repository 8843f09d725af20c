#include "language/format_definition.h"

#include <algorithm>
#include <cmath>

#include "base/message_text.h"
#include "base/names.h"
#include "base/number_text.h"
#include "data/table.h"

namespace quill::host {
namespace {

// One end of a range as written.
struct End {
    enum class Kind : unsigned char { Number, Text, Missing, Low, High, Other } kind = Kind::Number;
    double number = 0;
    std::string text;
};

std::string value_text(const FormatRange &r, bool start)
{
    if (r.missing)
        return ".";
    if (start ? r.lowest : r.highest)
        return start ? "LOW" : "HIGH";
    if (r.text)
        return std::string("'").append(start ? r.low_text : r.high_text).append("'");
    return best_text(start ? r.low : r.high, 16);
}

class DefinitionParser {
public:
    DefinitionParser(const std::vector<Token> &t, const FormatCatalog &catalog, UserFormat &f)
        : t_(t), catalog_(catalog), f_(f)
    {
    }

    bool run(std::string &error, size_t &at)
    {
        const bool ok = header() && ranges() && finish();
        if (!ok) {
            error = error_;
            at = std::min(at_, t_.size() - 1);
        }
        return ok;
    }

private:
    bool fail(const std::string &message)
    {
        error_ = message;
        at_ = pos_;
        return false;
    }
    bool expected(const std::string &what)
    {
        const Token &t = t_[std::min(pos_, t_.size() - 1)];
        return fail("Syntax error: expected " + what + ", found " +
                    (t.kind == TokenKind::Semicolon ? std::string("the end of the statement") : quoted_excerpt(t.source)));
    }
    const Token &here() const { return t_[pos_]; }
    bool punct(char c, size_t ahead = 0) const { return pos_ + ahead < t_.size() && is_punct(t_[pos_ + ahead], c); }
    bool word(const char *w) const { return here().kind == TokenKind::Name && upper_case(here().text) == w; }

    // <$>name <(options)>
    bool header()
    {
        f_.informat = upper_case(t_[0].text) == "INVALUE";
        pos_ = 1;
        f_.character = punct('$');
        pos_ += f_.character ? 1 : 0;
        if (here().kind != TokenKind::Name)
            return expected("the name of the " + std::string(f_.informat ? "informat" : "format"));
        const std::string name = upper_case(here().text);
        const std::string shown = (f_.character ? "$" : "") + name;
        if (std::isdigit(static_cast<unsigned char>(name.back())))
            return fail("The name " + shown + " ends in a digit, which would be read as its width");
        if (name.size() > (f_.character ? 31u : 32u))
            return fail("The name " + shown + " is longer than " + (f_.character ? "31" : "32") + " characters");
        ValueFormat builtin;
        std::string ignored;
        if (parse_format_text(shown + ".", f_.informat, nullptr, builtin, ignored))
            return fail(shown + " is the name of a built-in " + (f_.informat ? "informat" : "format") +
                        " and cannot be defined again");
        f_.name = name;
        ++pos_;
        return !punct('(') || options();
    }

    bool options()
    {
        ++pos_;
        while (!punct(')')) {
            if (here().kind != TokenKind::Name)
                return expected("an option or )");
            const std::string option = upper_case(here().text);
            ++pos_;
            if (option == "NOTSORTED" || ((option == "UPCASE" || option == "JUST") && f_.informat)) {
                f_.upcase = f_.upcase || option == "UPCASE";
                f_.just = f_.just || option == "JUST";
                continue;
            }
            if (option != "DEFAULT" && option != "FUZZ" && option != "MIN" && option != "MAX")
                return fail("The option " + option + " of " + (f_.informat ? "INVALUE" : "VALUE") +
                            " is not supported by this host");
            const bool number = pos_ + 1 < t_.size() && (t_[pos_ + 1].kind == TokenKind::Integer ||
                                                          t_[pos_ + 1].kind == TokenKind::Number);
            if (!punct('=') || !number)
                return expected(option + "=number");
            const double value = t_[pos_ + 1].number;
            pos_ += 2;
            if (option == "FUZZ")
                f_.fuzz = value;
            else if (option == "DEFAULT") {
                if (value < 1 || value > 32767 || value != std::floor(value))
                    return fail("DEFAULT= must be a whole number from 1 to 32767");
                default_width_ = static_cast<int>(value);
            }
        }
        ++pos_;
        return true;
    }

    // One end: a number (signed), a date constant, '.', a quoted text, LOW, HIGH or OTHER.
    bool end(End &e)
    {
        const bool minus = punct('-') && pos_ + 1 < t_.size() &&
                           (t_[pos_ + 1].kind == TokenKind::Integer || t_[pos_ + 1].kind == TokenKind::Number);
        pos_ += minus ? 1 : 0;
        const Token &t = here();
        switch (t.kind) {
        case TokenKind::Integer:
        case TokenKind::Number:
        case TokenKind::Date:
        case TokenKind::Time:
        case TokenKind::Datetime: e.kind = End::Kind::Number, e.number = minus ? -t.number : t.number; break;
        case TokenKind::Missing: e.kind = End::Kind::Missing; break;
        case TokenKind::String: e.kind = End::Kind::Text, e.text = t.text; break;
        case TokenKind::Name:
            if (word("LOW") || word("HIGH") || word("OTHER")) {
                e.kind = word("LOW") ? End::Kind::Low : word("HIGH") ? End::Kind::High : End::Kind::Other;
                break;
            }
            [[fallthrough]];
        default: return expected("a value, a quoted text, LOW, HIGH or OTHER");
        }
        ++pos_;
        // A character format's ranges are texts; a numeric format's, numbers (an informat's, either).
        const bool text = e.kind == End::Kind::Text;
        if (f_.character && !f_.informat && (e.kind == End::Kind::Number || e.kind == End::Kind::Missing))
            return fail("The ranges of the character format $" + f_.name + " are quoted texts");
        if (!f_.character && !f_.informat && text)
            return fail("The ranges of the numeric format " + f_.name + " are numbers");
        return true;
    }

    // low <<->> high, or one value
    bool range(FormatRange &r, bool &other)
    {
        End low, high;
        if (!end(low))
            return false;
        other = low.kind == End::Kind::Other;
        r.low_excluded = punct('<') && punct('-', 1);
        const bool dash = punct('-', r.low_excluded ? 1 : 0);
        if (dash && !other) {
            pos_ += r.low_excluded ? 2 : 1;
            r.high_excluded = punct('<');
            pos_ += r.high_excluded ? 1 : 0;
            if (!end(high))
                return false;
        } else {
            high = low;
            r.low_excluded = false;
        }
        return make_range(low, high, r);
    }

    bool make_range(const End &low, const End &high, FormatRange &r)
    {
        const bool text = low.kind == End::Kind::Text || high.kind == End::Kind::Text;
        if (low.kind == End::Kind::Other)
            return true;
        if (high.kind == End::Kind::Other || (text && (low.kind == End::Kind::Number || high.kind == End::Kind::Number ||
                                                       low.kind == End::Kind::Missing || high.kind == End::Kind::Missing)))
            return fail("A range joins two kinds of values");
        if ((low.kind == End::Kind::Missing) != (high.kind == End::Kind::Missing))
            return fail("A missing value cannot end a range");
        if (low.kind == End::Kind::High || high.kind == End::Kind::Low)
            return fail("A range must run from LOW and up to HIGH");
        r.text = text || f_.character;
        r.missing = low.kind == End::Kind::Missing;
        r.lowest = low.kind == End::Kind::Low;
        r.highest = high.kind == End::Kind::High;
        r.low = r.lowest ? -HUGE_VAL : low.number;
        r.high = r.highest ? HUGE_VAL : high.number;
        r.low_text = low.text;
        r.high_text = high.text;
        const bool backwards = r.text ? !r.lowest && !r.highest && r.low_text > r.high_text : r.low > r.high;
        if (backwards)
            return fail("The start of a range is greater than its end");
        return true;
    }

    // = 'label' | [format.] (VALUE); = number | . | 'text' | _SAME_ | _ERROR_ (INVALUE)
    bool target(FormatRange &r)
    {
        if (!punct('='))
            return expected("= and a label");
        ++pos_;
        const Token &t = here();
        if (!f_.informat && punct('[')) {
            ++pos_;
            r.target = FormatRange::Target::Format;
            r.nested = std::make_shared<ValueFormat>();
            std::string message;
            if (!parse_value_format(t_, pos_, t_.size(), false, &catalog_, *r.nested, message))
                return message.rfind("expected", 0) == 0 ? expected("a format in [ ]") : fail(message);
            if (r.nested->character() != f_.character)
                return fail("The format in [ ] writes " + std::string(f_.character ? "numbers" : "character values"));
            if (!punct(']'))
                return expected("] after the format");
            ++pos_;
            return true;
        }
        if (t.kind == TokenKind::String && (!f_.informat || f_.character)) {
            r.label = t.text;
        } else if (f_.informat && t.kind == TokenKind::Name && (word("_SAME_") || word("_ERROR_"))) {
            r.target = word("_SAME_") ? FormatRange::Target::Same : FormatRange::Target::Error;
        } else if (f_.informat && !f_.character && t.kind != TokenKind::String) {
            End e;
            if (!end(e) || (e.kind != End::Kind::Number && e.kind != End::Kind::Missing))
                return expected("a number, ., _SAME_ or _ERROR_");
            r.number = e.kind == End::Kind::Missing ? missing_value() : e.number;
            return true;
        } else {
            return expected(!f_.informat ? "a quoted label or [format.]"
                            : f_.character ? "a quoted text, _SAME_ or _ERROR_" : "a number, ., _SAME_ or _ERROR_");
        }
        ++pos_;
        return true;
    }

    bool ranges()
    {
        while (here().kind != TokenKind::Semicolon) {
            std::vector<FormatRange> listed;
            bool is_other = false;
            do {
                if (!listed.empty() || is_other)
                    ++pos_; // the comma
                FormatRange r;
                bool other = false;
                if (!range(r, other))
                    return false;
                if (other) {
                    if (f_.has_other || is_other)
                        return fail("OTHER is given twice");
                    is_other = true;
                } else {
                    listed.push_back(std::move(r));
                }
            } while (punct(','));
            FormatRange result;
            if (!target(result))
                return false;
            for (FormatRange &r : listed) {
                FormatRange done = result;
                done.low = r.low, done.high = r.high, done.low_excluded = r.low_excluded;
                done.high_excluded = r.high_excluded, done.missing = r.missing, done.text = r.text;
                done.low_text = r.low_text, done.high_text = r.high_text, done.lowest = r.lowest, done.highest = r.highest;
                f_.ranges.push_back(std::move(done));
            }
            if (is_other) {
                f_.has_other = true;
                f_.other = result;
            }
        }
        if (f_.ranges.empty() && !f_.has_other)
            return expected("a range and its " + std::string(f_.informat ? "value" : "label"));
        return true;
    }

    // Ranges in order of their starts; two that share a value are an error.
    bool finish()
    {
        auto before = [](const FormatRange &a, const FormatRange &b) {
            if (a.text != b.text)
                return !a.text;
            if (a.missing != b.missing)
                return a.missing;
            if (a.text)
                return a.lowest != b.lowest ? a.lowest : !a.lowest && a.low_text < b.low_text;
            return a.low < b.low || (a.low == b.low && !a.low_excluded && b.low_excluded);
        };
        std::stable_sort(f_.ranges.begin(), f_.ranges.end(), before);
        for (size_t k = 1; k < f_.ranges.size(); ++k) {
            const FormatRange &a = f_.ranges[k - 1], &b = f_.ranges[k];
            const bool overlap = a.text == b.text && (a.missing ? b.missing
                                : a.text ? !a.highest && !b.lowest && (a.high_text > b.low_text ||
                                                                       (a.high_text == b.low_text && !a.high_excluded && !b.low_excluded))
                                         : a.high > b.low || (a.high == b.low && !a.high_excluded && !b.low_excluded));
            const bool text_overlap = a.text && b.text && (a.highest || b.lowest);
            if (overlap || text_overlap) {
                at_ = 0;
                return fail("These two ranges overlap: " + range_start_text(a, false) + "-" + range_end_text(a, false) +
                            " and " + range_start_text(b, false) + "-" + range_end_text(b, false));
            }
        }
        // A format is as wide as its longest label; an informat reads as many columns as its
        // longest range is written in.
        size_t longest = f_.has_other && !f_.informat ? label_width(f_.other) : 1;
        for (const FormatRange &r : f_.ranges)
            longest = std::max({longest, f_.informat ? value_text(r, true).size() - (r.text ? 2 : 0) : label_width(r),
                                f_.informat ? value_text(r, false).size() - (r.text ? 2 : 0) : 0});
        f_.default_width = default_width_ > 0 ? default_width_ : static_cast<int>(std::min<size_t>(longest, 32767));
        return true;
    }

    static size_t label_width(const FormatRange &r)
    {
        return r.target == FormatRange::Target::Format ? static_cast<size_t>(std::max(r.nested->width, 1)) : r.label.size();
    }

    const std::vector<Token> &t_;
    const FormatCatalog &catalog_;
    UserFormat &f_;
    size_t pos_ = 0, at_ = 0;
    int default_width_ = 0;
    std::string error_;
};

} // namespace

bool parse_format_definition(const std::vector<Token> &tokens, const FormatCatalog &catalog, UserFormat &format,
                             std::string &error, size_t &at)
{
    format = UserFormat();
    DefinitionParser parser(tokens, catalog, format);
    return parser.run(error, at);
}

std::string range_start_text(const FormatRange &range, bool other)
{
    return other ? "**OTHER**" : value_text(range, true) + (range.low_excluded ? "<" : "");
}

std::string range_end_text(const FormatRange &range, bool other)
{
    return other ? "**OTHER**" : std::string(range.high_excluded ? "<" : "").append(value_text(range, false));
}

} // namespace quill::host

#include "steps/data_step/input_layout.h"

#include <algorithm>

#include "base/memory_shortage.h"
#include "base/message_text.h"
#include "base/names.h"
#include "language/variable_lists.h"

namespace quill::host {
namespace {

constexpr long max_column = 32767; // the longest record SAS reads by default

bool number_token(const Token &t) { return t.kind == TokenKind::Integer; }

class LayoutParser {
public:
    LayoutParser(Session &session, const Statement &s, const std::function<std::string(const std::string &)> &informat_of,
                 Table &table, InputLayout &layout)
        : session_(session), t_(s.tokens), end_(s.tokens.size() - 1), informat_of_(informat_of), table_(table),
          layout_(layout)
    {
    }

    bool run()
    {
        i_ = 1;
        while (i_ < end_) {
            const Token &t = t_[i_];
            const bool ok = t.kind == TokenKind::Name || t.kind == TokenKind::NameLiteral ? variables() : pointer();
            if (!ok)
                return false;
        }
        if (table_.columns.empty())
            return fail("The INPUT statement names no variables", t_.front());
        layout_.fixed_length.resize(table_.columns.size(), 0);
        return true;
    }

private:
    bool fail(const std::string &message, const Token &at)
    {
        session_.log.error(at_line(message, at.line));
        return false;
    }
    bool punct(char c, size_t ahead = 0) const { return i_ + ahead < end_ && is_punct(t_[i_ + ahead], c); }

    // @n @'text' +n #n /
    bool pointer()
    {
        const Token &t = t_[i_];
        InputItem item;
        if (is_punct(t, '/')) {
            item.kind = InputItem::Kind::NextLine;
            ++line_;
            layout_.lines = std::max(layout_.lines, line_ + 1);
            layout_.items.push_back(item);
            layout_.plain = false;
            ++i_;
            return true;
        }
        const bool at = is_punct(t, '@'), plus = is_punct(t, '+'), hash = is_punct(t, '#');
        if (!at && !plus && !hash)
            return fail("A variable name is expected in the INPUT statement at " + quoted_excerpt(t.source), t);
        if (at && (i_ + 1 == end_ || (punct('@', 1) && i_ + 2 == end_)))
            return fail("A trailing @ or @@, which holds the line for the next INPUT, is not supported by this host", t);
        const Token &n = t_[i_ + 1];
        if (at && n.kind == TokenKind::String) {
            item.kind = InputItem::Kind::Search;
            item.text = n.text;
        } else if (number_token(n) && n.number >= 1 && n.number <= max_column) {
            item.kind = at ? InputItem::Kind::Column : plus ? InputItem::Kind::Advance : InputItem::Kind::Line;
            item.amount = static_cast<long>(n.number);
        } else {
            return fail(std::string("Syntax error in the INPUT statement: expected ") +
                            (at ? "a column number or a quoted text" : "a number from 1 to 32767") + " after " + t.text,
                        n);
        }
        if (hash) {
            line_ = static_cast<size_t>(item.amount) - 1;
            layout_.lines = std::max(layout_.lines, line_ + 1);
        }
        layout_.items.push_back(item);
        layout_.plain = false;
        i_ += 2;
        return true;
    }

    // A name or a numbered range x1-x3, then how it is read.
    bool variables()
    {
        const Token &name = t_[i_];
        const size_t first_new = table_.columns.size();
        if (punct('-', 1) && i_ + 2 < end_ && t_[i_ + 2].kind == TokenKind::Name) {
            std::string p1, p2;
            long n1 = 0, n2 = 0;
            // At most a million names, as six digits allowed before.
            if (!split_numbered_name(name.text, p1, n1) || !split_numbered_name(t_[i_ + 2].text, p2, n2) ||
                !same_name(p1, p2) || n2 - n1 > 999999 || n1 > n2)
                return fail("The range " + name.text + "-" + t_[i_ + 2].text +
                                " needs names with the same prefix and rising numbers",
                            name);
            const size_t needed = table_.columns.size() + static_cast<size_t>(n2 - n1 + 1);
            if (needed > table_.columns.capacity()) {
                reserve_or_throw(table_.columns, std::max(needed, 2 * table_.columns.capacity()));
                names_.reserve(table_.columns.capacity());
            }
            for (long k = n1; k <= n2; ++k)
                if (!add(p1 + std::to_string(k), name))
                    return false;
            i_ += 3;
        } else {
            if (!add(name.text, name))
                return false;
            ++i_;
        }
        return how_read(first_new, name);
    }

    bool add(const std::string &name, const Token &at)
    {
        if (at.kind == TokenKind::NameLiteral && !is_storable_name(name))
            return fail("The name literal " + excerpt(at.source) +
                            " cannot name a variable: a name has 1 to 32 characters, no control characters, and "
                            "neither begins nor ends with a blank",
                        at);
        if (at.kind != TokenKind::NameLiteral && !is_valid_name(name))
            return fail(quoted_excerpt(name) + " is not a valid variable name", at);
        if (!names_.insert(name))
            return fail("Variable " + upper_case(name) + " appears twice in the INPUT statement", at);
        Column col;
        col.name = name;
        table_.columns.push_back(std::move(col));
        return true;
    }

    // <$> <&|:> <start <-end> <.d> | informat.> after the variables [first, size()).
    bool how_read(size_t first, const Token &name)
    {
        InputItem item;
        bool dollar = false, colon = false;
        for (;;) {
            if (punct('$') && !format_token_at(t_, i_, end_)) {
                dollar = true;
                ++i_;
            } else if (punct('&')) {
                item.blanks_inside = true;
                ++i_;
            } else if (punct(':')) {
                colon = true;
                ++i_;
            } else {
                break;
            }
        }
        if (i_ < end_ && number_token(t_[i_]) && !format_token_at(t_, i_, end_)) {
            if (!column_range(item))
                return false;
        } else if (format_token_at(t_, i_, end_)) {
            std::string message;
            const Token &at = t_[i_];
            if (!parse_value_format(t_, i_, end_, true, &session_.formats, item.informat, message))
                return fail(message, at);
            item.has_informat = true;
            item.mode = colon || item.blanks_inside ? InputItem::Mode::List : InputItem::Mode::Formatted;
            if (dollar && !item.informat.character())
                return fail("The informat " + item.informat.name() + " reads numbers, and $ makes " + name.text +
                                " character",
                            at);
        } else if (colon) {
            return fail("Syntax error in the INPUT statement: expected an informat after :", t_[i_]);
        }
        return add_items(first, item, dollar || (item.has_informat && item.informat.character()));
    }

    // start <-end> <.d>
    bool column_range(InputItem &item)
    {
        item.mode = InputItem::Mode::Columns;
        item.first = static_cast<size_t>(t_[i_].number);
        item.last = item.first;
        ++i_;
        if (punct('-') && i_ + 1 < end_ && number_token(t_[i_ + 1])) {
            item.last = static_cast<size_t>(t_[i_ + 1].number);
            i_ += 2;
        }
        if (item.first < 1 || item.last < item.first || item.last > static_cast<size_t>(max_column))
            return fail("The columns " + std::to_string(item.first) + "-" + std::to_string(item.last) +
                            " must run from 1 up, the first not after the last",
                        t_[i_ - 1]);
        if (i_ < end_ && t_[i_].kind == TokenKind::Number && t_[i_].source[0] == '.' &&
            t_[i_].source.find_first_not_of("0123456789", 1) == std::string::npos) {
            item.implied_decimals = std::min(31, std::stoi(t_[i_].source.substr(1)));
            ++i_;
        }
        return true;
    }

    bool add_items(size_t first, InputItem item, bool character)
    {
        for (size_t c = first; c < table_.columns.size(); ++c) {
            Column &col = table_.columns[c];
            col.type = character ? VarType::Character : VarType::Numeric;
            InputItem value = item;
            value.column = c;
            // A list value of a variable an INFORMAT statement gave one is read with it.
            if (!value.has_informat && value.mode == InputItem::Mode::List) {
                const std::string name = informat_of_(col.name);
                std::string ignored;
                if (!name.empty() && parse_format_text(name, true, &session_.formats, value.informat, ignored) &&
                    value.informat.character() == character)
                    value.has_informat = true;
            }
            const bool fixed = value.mode == InputItem::Mode::Columns || (value.has_informat && character);
            if (character && fixed)
                col.length = value.mode == InputItem::Mode::Columns ? value.last - value.first + 1
                                                                    : static_cast<size_t>(std::max(1, value.informat.width));
            if (layout_.fixed_length.size() <= c)
                layout_.fixed_length.resize(c + 1, 0);
            layout_.fixed_length[c] = fixed && character;
            layout_.plain = layout_.plain && value.mode == InputItem::Mode::List && !value.has_informat &&
                            !value.blanks_inside;
            layout_.items.push_back(std::move(value));
        }
        return true;
    }

    Session &session_;
    const std::vector<Token> &t_;
    size_t end_, i_ = 1, line_ = 0;
    const std::function<std::string(const std::string &)> &informat_of_;
    Table &table_;
    InputLayout &layout_;
    NameSet names_;
};

bool is_delimiter(char c, const std::string &delimiters)
{
    return delimiters.empty() ? c == ' ' || c == '\t' : delimiters.find(c) != std::string::npos;
}

std::string trimmed(std::string_view s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return std::string(s);
}

// A list value from `pos`: after the delimiters, up to the next one (with &, up to two blanks).
bool list_value(std::string_view line, size_t &pos, const InputItem &item, const std::string &delimiters,
                std::string &text)
{
    while (pos < line.size() && is_delimiter(line[pos], delimiters))
        ++pos;
    if (pos >= line.size())
        return false;
    const size_t start = pos;
    if (item.blanks_inside) {
        while (pos < line.size() && !(line[pos] == ' ' && pos + 1 < line.size() && line[pos + 1] == ' ') &&
               line[pos] != '\t')
            ++pos;
    } else {
        while (pos < line.size() && !is_delimiter(line[pos], delimiters))
            ++pos;
    }
    text = trimmed(line.substr(start, pos - start));
    ++pos; // past the delimiter
    return true;
}

} // namespace

bool parse_input_layout(Session &session, const Statement &s,
                        const std::function<std::string(const std::string &name)> &informat_of, Table &table,
                        InputLayout &layout)
{
    LayoutParser parser(session, s, informat_of, table, layout);
    return parser.run();
}

void read_layout_record(const InputLayout &layout, const std::vector<std::string_view> &lines,
                        const std::string &delimiters, std::vector<LayoutField> &fields)
{
    size_t line = 0, pos = 0; // the pointer: a line of the observation and a column, from 0
    const auto here = [&]() { return line < lines.size() ? lines[line] : std::string_view(); };
    for (const InputItem &item : layout.items) {
        switch (item.kind) {
        case InputItem::Kind::Column: pos = static_cast<size_t>(item.amount) - 1; continue;
        case InputItem::Kind::Advance: pos += static_cast<size_t>(item.amount); continue;
        case InputItem::Kind::Line: line = static_cast<size_t>(item.amount) - 1, pos = 0; continue;
        case InputItem::Kind::NextLine: ++line, pos = 0; continue;
        case InputItem::Kind::Search: {
            const size_t at = pos <= here().size() ? here().find(item.text, pos) : std::string_view::npos;
            pos = at == std::string_view::npos ? here().size() + 1 : at + item.text.size();
            continue;
        }
        case InputItem::Kind::Value: break;
        }
        LayoutField &field = fields[item.column];
        field.line = line;
        field.found = true;
        const std::string_view text = here();
        switch (item.mode) {
        case InputItem::Mode::Columns:
            field.text = item.first <= text.size() ? trimmed(text.substr(item.first - 1, item.last - item.first + 1))
                                                   : std::string();
            pos = item.last;
            break;
        case InputItem::Mode::Formatted: {
            const size_t width = static_cast<size_t>(item.informat.width > 0 ? item.informat.width : 1);
            field.text = pos < text.size() ? std::string(text.substr(pos, width)) : std::string();
            pos += width;
            break;
        }
        case InputItem::Mode::List: field.found = list_value(text, pos, item, delimiters, field.text); break;
        }
    }
}

} // namespace quill::host

// Tokenizer for SAS-language programs. A comment is either /* ... */ anywhere or a statement that
// begins with '*' and runs to its ';'. Names are at most 32 characters; quoted strings may carry a
// suffix that makes them a name literal (n), a date (d), a time (t), a datetime (dt) or a string
// written as hexadecimal digits (x: '09'x is a tab).
#include "language/tokenizer.h"

#include <array>
#include <cctype>
#include <charconv>

#include "base/message_text.h"
#include "base/names.h"
#include "language/calendar.h"

namespace quill::host {
namespace {

bool is_name_start(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool is_name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// '4142'x: the digits in pairs become the bytes of the string; false when they do not pair up.
bool decode_hex(std::string &text)
{
    auto value = [](char c) {
        return is_digit(c) ? c - '0' : std::isxdigit(static_cast<unsigned char>(c)) ? (std::tolower(c) - 'a' + 10) : -1;
    };
    if (text.empty() || text.size() % 2 != 0)
        return false;
    std::string bytes;
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = value(text[i]), low = value(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes += static_cast<char>(high * 16 + low);
    }
    text = std::move(bytes);
    return true;
}

bool read_digits(std::string_view text, size_t &pos, size_t min_count, size_t max_count, long &value)
{
    size_t count = 0;
    value = 0;
    while (pos < text.size() && is_digit(text[pos]) && count < max_count) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++count;
    }
    return count >= min_count;
}

} // namespace

bool parse_date_literal(std::string_view text, double &days)
{
    static constexpr std::array<const char *, 12> months = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                            "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    size_t pos = 0;
    long day = 0;
    if (!read_digits(text, pos, 1, 2, day) || pos + 3 > text.size())
        return false;
    long month = 0;
    for (size_t m = 0; m < months.size(); ++m) {
        bool same = true;
        for (size_t k = 0; k < 3; ++k)
            same = same && std::toupper(static_cast<unsigned char>(text[pos + k])) == months[m][k];
        if (same)
            month = static_cast<long>(m) + 1;
    }
    if (month == 0)
        return false;
    pos += 3;
    const size_t year_start = pos;
    long year = 0;
    if (!read_digits(text, pos, 2, 4, year) || pos != text.size() || pos - year_start == 3)
        return false;
    if (pos - year_start == 2)
        year = full_year(year);
    long value = 0;
    if (!date_of(year, static_cast<int>(month), static_cast<int>(day), value))
        return false;
    days = static_cast<double>(value);
    return true;
}

bool parse_time_literal(std::string_view text, double &seconds)
{
    size_t pos = 0;
    long hours = 0, minutes = 0;
    if (!read_digits(text, pos, 1, 2, hours) || pos >= text.size() || text[pos] != ':')
        return false;
    ++pos;
    if (!read_digits(text, pos, 2, 2, minutes) || minutes > 59)
        return false;
    double secs = 0;
    if (pos < text.size()) {
        if (text[pos] != ':')
            return false;
        ++pos;
        const char *first = text.data() + pos;
        const char *last = text.data() + text.size();
        if (first == last || !is_digit(*first))
            return false;
        auto [end, ec] = std::from_chars(first, last, secs);
        if (ec != std::errc() || end != last || secs >= 60)
            return false;
    }
    seconds = static_cast<double>(hours * 3600 + minutes * 60) + secs;
    return true;
}

bool parse_datetime_literal(std::string_view text, double &seconds)
{
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return false;
    double days = 0, secs = 0;
    if (!parse_date_literal(text.substr(0, colon), days) || !parse_time_literal(text.substr(colon + 1), secs))
        return false;
    seconds = days * 86400.0 + secs;
    return true;
}

void Tokenizer::advance()
{
    if (text_[pos_] == '\n') {
        ++line_;
        column_ = 1;
    } else {
        ++column_;
    }
    ++pos_;
}

Token Tokenizer::make(TokenKind kind, size_t start, int line, int column) const
{
    Token t;
    t.kind = kind;
    t.source = std::string(text_.substr(start, pos_ - start));
    t.line = line;
    t.column = column;
    return t;
}

// Skips blanks and comments. Returns false with an Error token when a comment is not closed.
bool Tokenizer::skip_blanks_and_comments(Token &error)
{
    for (;;) {
        while (!at_end() && std::isspace(static_cast<unsigned char>(peek())))
            advance();
        if (at_end())
            return true;
        const int line = line_, column = column_;
        const size_t start = pos_;
        if (peek() == '/' && peek(1) == '*') {
            advance();
            advance();
            while (!at_end() && !(peek() == '*' && peek(1) == '/'))
                advance();
            if (at_end()) {
                error = make(TokenKind::Error, start, line, column);
                error.text = "A comment that begins here is not closed with */";
                return false;
            }
            advance();
            advance();
        } else if (statement_start_ && peek() == '*') {
            while (!at_end() && peek() != ';')
                advance();
            if (at_end()) {
                error = make(TokenKind::Error, start, line, column);
                error.text = "A comment statement that begins here does not end with ;";
                return false;
            }
            advance();
        } else {
            return true;
        }
    }
}

Token Tokenizer::next()
{
    Token error;
    if (!skip_blanks_and_comments(error)) {
        statement_start_ = false;
        return error;
    }
    const int line = line_, column = column_;
    const size_t start = pos_;
    if (at_end())
        return make(TokenKind::End, start, line, column);
    const char c = peek();
    Token t;
    if (is_name_start(c))
        t = lex_name(start, line, column);
    else if (is_digit(c) || (c == '.' && is_digit(peek(1))))
        t = lex_number(start, line, column);
    else if (c == '\'' || c == '"')
        t = lex_quoted(start, line, column);
    else if (c == '.') {
        advance();
        t = make(TokenKind::Missing, start, line, column);
        t.text.assign(1, '.');
    } else {
        advance();
        t = make(c == ';' ? TokenKind::Semicolon : TokenKind::Punct, start, line, column);
        t.text = std::string(1, c);
    }
    statement_start_ = t.kind == TokenKind::Semicolon;
    return t;
}

Token Tokenizer::lex_name(size_t start, int line, int column)
{
    while (!at_end() && is_name_char(peek()))
        advance();
    const size_t first_end = pos_;
    TokenKind kind = TokenKind::Name;
    if (peek() == '.' && is_name_start(peek(1))) {
        advance();
        const size_t second = pos_;
        while (!at_end() && is_name_char(peek()))
            advance();
        if (pos_ - second > max_name_length) {
            Token t = make(TokenKind::Error, start, line, column);
            t.text = "The name " + excerpt(t.source) + " is longer than 32 characters";
            return t;
        }
        kind = TokenKind::Compound;
    } else if (peek() == '.') {
        advance();
        while (!at_end() && is_digit(peek()))
            advance();
        kind = TokenKind::Format;
    }
    Token t = make(kind, start, line, column);
    if (first_end - start > max_name_length) {
        t.kind = TokenKind::Error;
        t.text = "The name " + excerpt(text_.substr(start, first_end - start)) + " is longer than 32 characters";
        return t;
    }
    t.text = t.source;
    return t;
}

Token Tokenizer::lex_number(size_t start, int line, int column)
{
    bool integer = true;
    while (!at_end() && is_digit(peek()))
        advance();
    if (peek() == '.') {
        integer = false;
        advance();
        while (!at_end() && is_digit(peek()))
            advance();
    }
    if ((peek() == 'e' || peek() == 'E') &&
        (is_digit(peek(1)) || ((peek(1) == '+' || peek(1) == '-') && is_digit(peek(2))))) {
        integer = false;
        advance();
        if (peek() == '+' || peek() == '-')
            advance();
        while (!at_end() && is_digit(peek()))
            advance();
    }
    Token t = make(integer ? TokenKind::Integer : TokenKind::Number, start, line, column);
    t.text = t.source;
    auto [end, ec] = std::from_chars(t.source.data(), t.source.data() + t.source.size(), t.number);
    if (ec != std::errc() || end != t.source.data() + t.source.size()) {
        t.kind = TokenKind::Error;
        t.text = "The number " + excerpt(t.source) + " is out of range";
    }
    return t;
}

Token Tokenizer::lex_quoted(size_t start, int line, int column)
{
    const char quote = peek();
    advance();
    std::string value;
    for (;;) {
        if (at_end()) {
            Token t = make(TokenKind::Error, start, line, column);
            t.text = "A quoted string that begins here is not closed";
            return t;
        }
        if (peek() == quote) {
            advance();
            if (peek() != quote)
                break;
        }
        value += peek();
        advance();
    }
    // A suffix letter right after the closing quote gives the constant its kind.
    size_t suffix_end = pos_;
    while (suffix_end < text_.size() && is_name_char(text_[suffix_end]))
        ++suffix_end;
    std::string suffix(text_.substr(pos_, suffix_end - pos_));
    for (char &ch : suffix)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    TokenKind kind = TokenKind::String;
    if (suffix == "n")
        kind = TokenKind::NameLiteral;
    else if (suffix == "d")
        kind = TokenKind::Date;
    else if (suffix == "t")
        kind = TokenKind::Time;
    else if (suffix == "dt")
        kind = TokenKind::Datetime;
    const bool hex = suffix == "x";
    if (kind != TokenKind::String || hex)
        while (pos_ < suffix_end)
            advance();
    Token t = make(kind, start, line, column);
    t.text = value;
    bool valid = true;
    switch (kind) {
    case TokenKind::NameLiteral: valid = !value.empty() && value.size() <= max_name_length; break;
    case TokenKind::Date: valid = parse_date_literal(value, t.number); break;
    case TokenKind::Time: valid = parse_time_literal(value, t.number); break;
    case TokenKind::Datetime: valid = parse_datetime_literal(value, t.number); break;
    default: valid = !hex || decode_hex(t.text); break;
    }
    if (!valid && hex) {
        t.kind = TokenKind::Error;
        t.text = "Invalid hexadecimal constant " + excerpt(t.source) + ": it needs an even number of hexadecimal digits";
        return t;
    }
    if (!valid) {
        const std::string what = kind == TokenKind::NameLiteral ? "name literal" :
                                 kind == TokenKind::Date        ? "date constant" :
                                 kind == TokenKind::Time        ? "time constant" : "datetime constant";
        t.kind = TokenKind::Error;
        t.text = "Invalid " + what + " " + excerpt(t.source);
    }
    return t;
}

std::vector<std::string> Tokenizer::take_data_lines(int &first_line)
{
    // The data begin on the line after the DATALINES statement.
    while (!at_end() && peek() != '\n')
        advance();
    if (!at_end())
        advance();
    first_line = line_;
    std::vector<std::string> lines;
    while (!at_end()) {
        const size_t start = pos_;
        while (!at_end() && peek() != '\n')
            advance();
        std::string_view line = text_.substr(start, pos_ - start);
        if (!at_end())
            advance();
        if (line.find(';') != std::string_view::npos)
            break;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
    }
    statement_start_ = true;
    return lines;
}

} // namespace quill::host

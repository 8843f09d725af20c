// Tokenizer for SAS-language programs: turns program text into tokens with their line and column,
// skipping comments, and hands out the raw data lines that follow a DATALINES statement.
#ifndef QUILL_HOST_TOKENIZER_H
#define QUILL_HOST_TOKENIZER_H

#include <string>
#include <string_view>
#include <vector>

namespace quill::host {

enum class TokenKind {
    End,         // end of the program text
    Semicolon,   // ;
    Name,        // a name of up to 32 characters
    NameLiteral, // 'my var'n
    String,      // a quoted string; text holds the value with doubled quotes undone
    Integer,     // digits only
    Number,      // any other numeric constant (.5, 1e-5, 2.25)
    Date,        // '01jan2020'd: days since 1 January 1960
    Time,        // '10:30't: seconds since midnight
    Datetime,    // '01jan2020:10:30'dt: seconds since 1 January 1960
    Missing,     // .
    Compound,    // lib.member
    Format,      // a name with a trailing dot (best12.)
    Punct,       // a single character, or an operator of two (** || !! <= >= ^= ~= <> ><)
    Error        // text that cannot form a token; text holds the message
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;   // name as written, string value, punctuation (¬ reads as ^), or error message
    std::string source; // the characters of the program that formed the token
    double number = 0;  // the value of a numeric or date/time constant
    int line = 0;       // 1-based
    int column = 0;     // 1-based
};

class Tokenizer {
public:
    explicit Tokenizer(std::string_view program) : text_(program) {}

    Token next();

    // The lines after the current one, up to (not including) the first line holding ';'; the
    // tokenizer continues after that line. first_line receives the number of the first line.
    std::vector<std::string> take_data_lines(int &first_line);

    int line() const { return line_; }

private:
    bool at_end() const { return pos_ >= text_.size(); }
    char peek(size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }
    void advance();
    bool skip_blanks_and_comments(Token &error);
    Token make(TokenKind kind, size_t start, int line, int column) const;
    Token lex_name(size_t start, int line, int column);
    Token lex_number(size_t start, int line, int column);
    Token lex_quoted(size_t start, int line, int column);
    Token lex_operator(size_t start, int line, int column);

    std::string_view text_;
    size_t pos_ = 0;
    int line_ = 1;
    int column_ = 1;
    bool statement_start_ = true; // a '*' here opens a comment that runs to the next ';'
};

// The punctuation token `c` (one character).
inline bool is_punct(const Token &t, char c) { return t.kind == TokenKind::Punct && t.text.size() == 1 && t.text[0] == c; }
// The operator token `op` of two characters: "**", "||", "!!", "<=", ">=", "^=", "~=", "<>" or "><".
inline bool is_operator(const Token &t, std::string_view op) { return t.kind == TokenKind::Punct && t.text == op; }

// The value of a date literal text ("01jan2020"), in days since 1 January 1960.
bool parse_date_literal(std::string_view text, double &days);
// The value of a time literal text ("10:30", "10:30:15.5"), in seconds.
bool parse_time_literal(std::string_view text, double &seconds);
// The value of a datetime literal text ("01jan2020:10:30"), in seconds since 1 January 1960.
bool parse_datetime_literal(std::string_view text, double &seconds);

} // namespace quill::host

#endif

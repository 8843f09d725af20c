// Formats (how a value is written) and informats (how text is read into a value): the built-in
// ones and those PROC FORMAT defines (format_catalog.h). A format is written NAMEw.d: `8.2`,
// `BEST12.`, `COMMA10.2`, `DATE9.`, `$10.`, `AGEGRP.`, `$SEX.`. A number is written right-aligned
// in w characters; one that does not fit loses decimals, then is written as BESTw. writes it,
// and fills the width with * when even that is too wide. Dates are days since 1 January 1960,
// times seconds since midnight, datetimes seconds since 1 January 1960 (calendar.h).
#ifndef QUILL_HOST_LANGUAGE_FORMATS_H
#define QUILL_HOST_LANGUAGE_FORMATS_H

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "language/tokenizer.h"

namespace quill::host {

struct UserFormat;
class FormatCatalog;

struct ValueFormat {
    enum class Kind : unsigned char {
        Fixed,    // w.d (also Fw.d)
        Best,     // BESTw.
        Comma,    // COMMAw.d: 1,234.50; as an informat also reads $, % and ( )
        Dollar,   // DOLLARw.d: $1,234.50
        Percent,  // PERCENTw.d: 12.5%, negative in parentheses
        Exponent, // Ew.: 1.235E+03
        Zero,     // Zw.d: leading zeros
        Text,     // $w.: as an informat, leading blanks removed
        CharText, // $CHARw.: leading blanks kept
        Date,     // DATEw.: 01JAN2024
        Mmddyy,   // MMDDYYw.: 01/15/2024 (MMDDYYxw. names the separator)
        Yymmdd,   // YYMMDDw.: 2024-01-15
        Ddmmyy,   // DDMMYYw.: 15/01/2024
        Datetime, // DATETIMEw.d: 01JAN2024:10:00:00
        Time,     // TIMEw.d: 10:00:00
        Monyy,    // MONYYw.: JAN2024
        Year,     // YEARw.: 2024
        Worddate, // WORDDATEw.: January 15, 2024
        AnyDate,  // ANYDTDTEw. (informat only): a date in any of the forms above
        User      // defined by PROC FORMAT: `user` holds it
    };
    Kind kind = Kind::Best;
    int width = 12;
    int decimals = 0;
    bool width_given = true; // false: the default width, which the name leaves out
    char separator = 0;      // MMDDYYx, YYMMDDx, DDMMYYx: '/', '-', ' ', ':', '.', 'N' none; 0 the kind's own
    std::shared_ptr<const UserFormat> user;

    // Writes or reads character values ($w., $CHARw., a $ user format).
    bool character() const;
    // A date, time or datetime format or informat (date_formats.cpp).
    bool dated() const { return kind >= Kind::Date && kind <= Kind::AnyDate; }
    // The name as SAS shows it and stores it with a variable: "DATE9.", "COMMA10.2", "$SEX.".
    std::string name() const;
};

// The format (informat when `informat`) written in `text` ("date9.", "$sex.", "8.2"), looked up
// among the built-ins and then `catalog` (which may be null). False with `error`: an unknown
// name ("The format NAME was not found or could not be loaded"), a width or decimals out of range.
bool parse_format_text(std::string_view text, bool informat, const FormatCatalog *catalog, ValueFormat &fmt,
                       std::string &error);
// The same for the tokens at tokens[pos] (a '$' and a format token, or a number), before `end`;
// pos moves past them. Without a format there, false with "expected a format (...)".
bool parse_value_format(const std::vector<Token> &tokens, size_t &pos, size_t end, bool informat,
                        const FormatCatalog *catalog, ValueFormat &fmt, std::string &error);
// Whether tokens[pos] starts a format: '$' followed by a format, a format token, or w. / w.d.
bool format_token_at(const std::vector<Token> &tokens, size_t pos, size_t end);

// The text of a number, exactly fmt.width characters.
void put_number(double value, const ValueFormat &fmt, std::string &out);
// The text of a character value, exactly fmt.width characters: the first w characters padded
// with blanks (a user format: its label for the value).
void put_text(std::string_view text, const ValueFormat &fmt, std::string &out);
// A value as a listing shows it: the format's text without its leading and trailing blanks.
std::string shown_number(double value, const ValueFormat &fmt);
std::string shown_text(std::string_view text, const ValueFormat &fmt);

// Reads the first fmt.width characters of `text` as a number; blanks and "." read as missing.
// False when they are not a value of the informat (value is then missing). A w.d informat
// divides a number written without a decimal point or exponent by 10^d.
bool input_number(std::string_view text, const ValueFormat &fmt, double &value);
// $w.: the first w characters of `text`, leading blanks removed; $CHARw. keeps them; a $ user
// informat gives the text its ranges name. False when a user informat says _ERROR_.
bool input_text(std::string_view text, const ValueFormat &fmt, std::string &out);

// Number formats, exposed for the user formats' unmatched values (number_formats.cpp).
std::string best_in_width(double value, int width);
// Date and time formats and informats (date_formats.cpp).
void put_date_value(double value, const ValueFormat &fmt, std::string &out);
bool input_date_value(std::string_view text, const ValueFormat &fmt, double &value);

} // namespace quill::host

#endif

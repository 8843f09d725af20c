// Reading SAS files through ReadStat's callbacks into columns held by the source. ReadStat reads
// the file through SasFileInput (a regular file only, never waited on); a transport file is first
// laid out by transport_layout.h, so that ReadStat sees one member and the observations a version
// 8 count keeps are all read. A .sas7bdat file's row count is bounded by its size before ReadStat
// trusts it: its reader keeps the count in 32 bits and would read a count with bits above them
// as that count modulo 2^32.
#include <readstat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>

#include "base/memory_shortage.h"
#include "base/message_text.h"
#include "base/names.h"
#include "data/sas/sas_file_io.h"
#include "data/sas/sas_store.h"
#include "data/sas/transport_layout.h"

namespace quill::host {
namespace {

class SasSource : public TableSource {
public:
    const Description &describe() const override { return description_; }
    std::unique_ptr<RowCursor> rows(const std::vector<bool> &wanted, std::string &error) const override;

    Description description_;
    std::vector<Column> columns_;
};

class SasCursor : public RowCursor {
public:
    // The wanted columns are listed once, so that a row costs nothing for the others.
    SasCursor(const SasSource &source, const std::vector<bool> &wanted) : source_(source)
    {
        for (size_t c = 0; c < source_.columns_.size(); ++c)
            if (wanted.empty() || (c < wanted.size() && wanted[c]))
                picked_.push_back(c);
    }

    Step next(Row &row, std::string &) override
    {
        if (row_ >= source_.description_.rows)
            return Step::End;
        for (size_t c : picked_) {
            const Column &col = source_.columns_[c];
            if (col.type == VarType::Numeric)
                row.numbers[c] = col.numbers[row_];
            else
                row.texts[c] = col.texts[row_];
        }
        ++row_;
        return Step::Row;
    }

private:
    const SasSource &source_;
    std::vector<size_t> picked_;
    size_t row_ = 0;
};

std::unique_ptr<RowCursor> SasSource::rows(const std::vector<bool> &wanted, std::string &) const
{
    return std::make_unique<SasCursor>(*this, wanted);
}

// What the callbacks fill while ReadStat parses.
struct Parse {
    SasSource *source = nullptr;
    std::string encoding;    // as the file names it; empty when it names none
    std::string reported;    // ReadStat's own account of the last problem
    uint64_t file_bytes = 0;
    long row_limit = 0;      // handed to ReadStat; 0 for none
    bool limit_is_bound = false; // a count that reaches row_limit is damage (a .sas7bdat file's)
    size_t rows_hint = 0;    // the rows the file claims, within what its size can hold
    bool reserved = false;
    bool out_of_memory = false;
    bool count_damaged = false;
    std::vector<size_t> longest; // per column, bytes of its longest text as read (after conversion)
};

int on_metadata(readstat_metadata_t *metadata, void *context)
{
    Parse &parse = *static_cast<Parse *>(context);
    if (const char *encoding = readstat_get_file_encoding(metadata))
        parse.encoding = encoding;
    if (const char *table = readstat_get_table_name(metadata); table && parse.source->description_.member.empty())
        parse.source->description_.member = table;
    if (const char *label = readstat_get_file_label(metadata); label && parse.source->description_.label.empty())
        parse.source->description_.label = label;
    const int rows = readstat_get_row_count(metadata);
    if (parse.limit_is_bound && rows >= parse.row_limit) {
        parse.count_damaged = true;
        return READSTAT_HANDLER_ABORT;
    }
    if (rows > 0)
        parse.rows_hint = static_cast<size_t>(rows);
    return READSTAT_HANDLER_OK;
}

int on_variable(int, readstat_variable_t *variable, const char *, void *context)
{
    Parse &parse = *static_cast<Parse *>(context);
    try {
        Column col;
        const char *name = readstat_variable_get_name(variable);
        col.name = name ? name : "";
        if (readstat_variable_get_type_class(variable) == READSTAT_TYPE_CLASS_STRING) {
            col.type = VarType::Character;
            col.length = std::clamp<size_t>(readstat_variable_get_storage_width(variable), 1, max_text_length);
        }
        if (const char *label = readstat_variable_get_label(variable))
            col.label = label;
        // ReadStat gives "BEST12" and "8.2"; the host writes a format name as SAS shows it, "BEST12.".
        if (const char *format = readstat_variable_get_format(variable); format && *format) {
            col.format = format;
            if (col.format.find('.') == std::string::npos)
                col.format += '.';
        }
        parse.source->columns_.push_back(std::move(col));
        parse.longest.push_back(0);
    } catch (const std::bad_alloc &) {
        parse.out_of_memory = true;
        return READSTAT_HANDLER_ABORT;
    }
    return READSTAT_HANDLER_OK;
}

// Room for the rows the file claims, as far as its size can hold rows of its variables: a damaged
// count must not reserve more memory than the file could fill.
void reserve_columns(Parse &parse)
{
    size_t row_bytes = 0;
    for (const Column &col : parse.source->columns_)
        row_bytes += col.type == VarType::Numeric ? number_length : col.length;
    const size_t rows = std::min<uint64_t>(parse.rows_hint, parse.file_bytes / std::max<size_t>(row_bytes, 1));
    for (Column &col : parse.source->columns_)
        if (col.type == VarType::Numeric)
            reserve_or_throw(col.numbers, rows);
        else
            reserve_or_throw(col.texts, rows);
    parse.reserved = true;
}

double number_of(readstat_value_t value)
{
    if (readstat_value_is_system_missing(value) || readstat_value_is_tagged_missing(value))
        return missing_value();
    switch (readstat_value_type(value)) {
    case READSTAT_TYPE_INT8: return readstat_int8_value(value);
    case READSTAT_TYPE_INT16: return readstat_int16_value(value);
    case READSTAT_TYPE_INT32: return readstat_int32_value(value);
    case READSTAT_TYPE_FLOAT: return readstat_float_value(value);
    case READSTAT_TYPE_DOUBLE: break;
    default: return missing_value();
    }
    const double number = readstat_double_value(value);
    return std::isnan(number) ? missing_value() : number;
}

int on_value(int row, readstat_variable_t *variable, readstat_value_t value, void *context)
{
    Parse &parse = *static_cast<Parse *>(context);
    std::vector<Column> &columns = parse.source->columns_;
    const int index = readstat_variable_get_index(variable);
    if (index < 0 || static_cast<size_t>(index) >= columns.size() || row < 0) {
        parse.reported = "a value belongs to no variable";
        return READSTAT_HANDLER_ABORT;
    }
    Column &col = columns[static_cast<size_t>(index)];
    try {
        if (!parse.reserved)
            reserve_columns(parse);
        if (col.type == VarType::Numeric) {
            col.numbers.push_back(number_of(value));
        } else {
            const char *text = readstat_value_type(value) == READSTAT_TYPE_STRING ? readstat_string_value(value)
                                                                                  : nullptr;
            std::string &stored = col.texts.emplace_back(text ? text : "");
            // Text converted from another encoding may be longer than the width the file declares.
            if (stored.size() > max_text_length)
                stored.resize(utf8_prefix(stored, max_text_length).size());
            size_t &longest = parse.longest[static_cast<size_t>(index)];
            longest = std::max(longest, stored.size());
        }
    } catch (const std::bad_alloc &) {
        parse.out_of_memory = true;
        return READSTAT_HANDLER_ABORT;
    }
    return READSTAT_HANDLER_OK;
}

void on_error(const char *message, void *context)
{
    Parse &parse = *static_cast<Parse *>(context);
    parse.reported = message ? message : "";
    while (!parse.reported.empty() && (parse.reported.back() == '\n' || parse.reported.back() == ' '))
        parse.reported.pop_back();
}

// What went wrong, in ReadStat's words where they say more than its error code's text.
std::string parse_problem(readstat_error_t status, const Parse &parse)
{
    std::string what = readstat_error_message(status);
    std::string detail = parse.reported;
    if (detail.rfind("ReadStat: ", 0) == 0)
        detail.erase(0, 10);
    // ReadStat's detail adds to its error code's text unless it only restates it (with a stale
    // errno after a short read).
    if (!detail.empty() && detail.rfind(what, 0) != 0)
        what += " (" + detail + ")";
    return what;
}

// The rows every column has; false when a column has fewer (the file ends inside a row).
bool common_rows(const SasSource &source, size_t &rows)
{
    rows = source.columns_.empty() ? 0 : SIZE_MAX;
    bool ragged = false;
    for (const Column &col : source.columns_) {
        const size_t n = col.type == VarType::Numeric ? col.numbers.size() : col.texts.size();
        ragged = ragged || (rows != SIZE_MAX && n != rows);
        rows = std::min(rows, n);
    }
    return !ragged;
}

// Names a variable cannot have (empty, control characters, taken) are changed, as in a CSV header.
void repair_names(SasSource &source, const std::string &shown, ReadMessages &messages)
{
    NameSet taken;
    std::vector<bool> kept;
    for (const Column &col : source.columns_)
        kept.push_back(is_storable_name(col.name) && taken.insert(col.name));
    std::string renames;
    for (size_t i = 0; i < source.columns_.size(); ++i) {
        Column &col = source.columns_[i];
        if (kept[i])
            continue;
        const std::string usable = valid_name(col.name);
        const std::string renamed = taken.claim(usable.empty() || usable == "_" ? "VAR" + std::to_string(i + 1) : usable);
        renames += (renames.empty() ? "" : ", ") + quoted_excerpt(col.name) + " to " + renamed;
        col.name = renamed;
    }
    if (!renames.empty())
        messages.emplace_back(LineClass::Note, "The file " + shown + " has variable names that a variable cannot have; "
                                               "they are changed: " + renames + ".");
}

// Parses the file through `input` into `source`; false with `why`.
bool parse_into(SasFileInput &input, bool sas7bdat, SasSource &source, Parse &parse, std::string &why)
{
    readstat_parser_t *parser = readstat_parser_init();
    if (!parser)
        throw std::bad_alloc();
    input.attach(parser);
    readstat_set_metadata_handler(parser, on_metadata);
    readstat_set_variable_handler(parser, on_variable);
    readstat_set_value_handler(parser, on_value);
    readstat_set_error_handler(parser, on_error);
    if (parse.row_limit > 0)
        readstat_set_row_limit(parser, parse.row_limit);
    const readstat_error_t status = (sas7bdat ? readstat_parse_sas7bdat : readstat_parse_xport)(parser, "", &parse);
    readstat_parser_free(parser);
    size_t rows = 0;
    const bool whole = common_rows(source, rows);
    if (parse.count_damaged)
        why = "its row count is damaged (it claims more rows than its " + std::to_string(parse.file_bytes) +
              " bytes can hold)";
    else if (parse.out_of_memory)
        why = "there is not enough memory to hold it (" + std::to_string(source.columns_.size()) + " variables, " +
              std::to_string(parse.rows_hint) + " rows)";
    else if (status == READSTAT_ERROR_MALLOC && source.columns_.empty())
        why = "it has no variables, or its description of them is damaged (ReadStat could not allocate a row of it)";
    else if (status != READSTAT_OK)
        why = parse_problem(status, parse);
    else if (!whole)
        why = "its rows are incomplete";
    else {
        source.description_.rows = rows;
        return true;
    }
    return false;
}

// Text that ReadStat converted into UTF-8 may be longer than the width the file declares: a
// variable is as long as its longest value.
void fit_lengths(SasSource &source, const Parse &parse)
{
    for (size_t i = 0; i < source.columns_.size(); ++i)
        if (source.columns_[i].type == VarType::Character)
            source.columns_[i].length = std::max(source.columns_[i].length, parse.longest[i]);
}

// The value that a transport file's eight blank bytes stand for in a numeric variable (as IBM
// floating point): what a trailing observation of blanks that ReadStat drops holds there.
double blank_transport_number() { return std::ldexp(static_cast<double>(0x20202020202020ULL), -56 + 4 * (0x20 - 64)); }

// The observations a version 8 count keeps that ReadStat dropped as padding: all blanks.
void restore_blank_rows(SasSource &source, const TransportMember &member)
{
    if (member.observations < 0 || static_cast<uint64_t>(member.observations) <= source.description_.rows)
        return;
    const size_t rows = static_cast<size_t>(member.observations);
    for (Column &col : source.columns_) {
        if (col.type == VarType::Numeric)
            col.numbers.resize(rows, blank_transport_number());
        else
            col.texts.resize(rows);
    }
    source.description_.rows = rows;
}

// Shows ReadStat the member named `wanted` (the first when empty) of a transport file.
bool choose_member(SasFileInput &input, const std::string &wanted, TransportMember &chosen, std::string &why)
{
    std::vector<TransportMember> members;
    if (!read_transport_members(input.descriptor(), input.file_size(), members, why))
        return false;
    std::string held;
    for (const TransportMember &member : members) {
        if (wanted.empty() || upper_case(member.name) == upper_case(wanted)) {
            chosen = member;
            input.show({{0, transport_library_header}, {member.start, member.end - member.start}});
            return true;
        }
        held += (held.empty() ? "" : ", ") + member.name;
    }
    why = "it holds no member " + upper_case(wanted) + " (it holds " + held + ")";
    return false;
}

std::unique_ptr<TableSource> open_sas(const std::filesystem::path &file, bool sas7bdat, const std::string &member,
                                      ReadMessages &messages, std::string &error)
{
    const std::string shown = excerpt(file.string(), path_excerpt_length);
    const std::string failed = "The file " + shown + " cannot be read as a SAS data set (" +
                               (sas7bdat ? ".sas7bdat" : "transport file") + "): ";
    SasFileInput input;
    int error_number = 0;
    if (!input.open(file.string(), error_number)) {
        error = failed + (error_number == ENODEV ? "it is not a regular file" : std::strerror(error_number)) + ".";
        return nullptr;
    }
    auto source = std::make_unique<SasSource>();
    Parse parse;
    parse.source = source.get();
    parse.file_bytes = input.file_size();
    // A file holds fewer rows than bytes: a count at the bound is damage (ReadStat keeps counts in an int).
    parse.row_limit = sas7bdat ? static_cast<long>(std::min<uint64_t>(input.file_size(), INT_MAX)) : 0;
    parse.limit_is_bound = sas7bdat;
    TransportMember chosen;
    std::string why;
    if (!sas7bdat && !choose_member(input, member, chosen, why)) {
        error = failed + why + ".";
        return nullptr;
    }
    if (!sas7bdat && chosen.observations > 0)
        parse.row_limit = static_cast<long>(std::min<int64_t>(chosen.observations, INT_MAX));
    if (!sas7bdat)
        parse.rows_hint = chosen.row_length > 0 ? (chosen.end - chosen.data) / chosen.row_length : 0;
    if (!parse_into(input, sas7bdat, *source, parse, why)) {
        error = failed + why + ".";
        return nullptr;
    }
    if (!sas7bdat) {
        source->description_.member = chosen.name;
        restore_blank_rows(*source, chosen);
    }
    fit_lengths(*source, parse);
    repair_names(*source, shown, messages);
    for (const Column &col : source->columns_)
        source->description_.variables.push_back(col);
    const std::string encoding = upper_case(parse.encoding);
    if (!encoding.empty() && encoding != "UTF-8" && encoding != "UTF8" && encoding != "US-ASCII")
        messages.emplace_back(LineClass::Note, "The file " + shown + " is encoded in " + parse.encoding +
                                                   "; its text is read as UTF-8.");
    return source;
}

} // namespace

std::unique_ptr<TableSource> open_sas7bdat_file(const std::filesystem::path &file, ReadMessages &messages,
                                                std::string &error)
{
    return open_sas(file, true, {}, messages, error);
}

std::unique_ptr<TableSource> open_xport_file(const std::filesystem::path &file, ReadMessages &messages,
                                             std::string &error)
{
    return open_sas(file, false, {}, messages, error);
}

std::unique_ptr<TableSource> open_xport_member(const std::filesystem::path &file, const std::string &member,
                                               ReadMessages &messages, std::string &error)
{
    return open_sas(file, false, member, messages, error);
}

bool transport_member_names(const std::filesystem::path &file, std::vector<std::string> &names, std::string &error)
{
    SasFileInput input;
    int error_number = 0;
    std::vector<TransportMember> members;
    std::string why;
    if (!input.open(file.string(), error_number))
        why = error_number == ENODEV ? "it is not a regular file" : std::strerror(error_number);
    else if (read_transport_members(input.descriptor(), input.file_size(), members, why)) {
        names.clear();
        for (const TransportMember &member : members)
            names.push_back(upper_case(member.name));
        return true;
    }
    error = "The file " + excerpt(file.string(), path_excerpt_length) + " cannot be read as a SAS data set (transport file): " +
            why + ".";
    return false;
}

const Format &sas7bdat_format()
{
    static const Format format{"V9", ".sas7bdat", max_text_length, open_sas7bdat_file, create_sas7bdat_sink};
    return format;
}

const Format &xport_format()
{
    static const Format format{"XPORT", ".xpt", max_text_length, open_xport_file, create_xport_sink};
    return format;
}

} // namespace quill::host

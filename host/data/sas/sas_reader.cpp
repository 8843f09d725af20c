// Reading SAS files through ReadStat's callbacks into columns held by the source.
#include <readstat.h>

#include <algorithm>
#include <cstring>

#include "base/memory_shortage.h"
#include "base/message_text.h"
#include "base/names.h"
#include "data/sas/sas_store.h"

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
    SasSource *source;
    std::string encoding;  // as the file names it; empty when it names none
    std::string reported;  // ReadStat's own account of the last problem
    size_t file_bytes = 0;
    bool out_of_memory = false;
};

int on_metadata(readstat_metadata_t *metadata, void *context)
{
    Parse &parse = *static_cast<Parse *>(context);
    if (const char *encoding = readstat_get_file_encoding(metadata))
        parse.encoding = encoding;
    if (const char *table = readstat_get_table_name(metadata))
        parse.source->description_.member = table;
    const int rows = readstat_get_row_count(metadata);
    if (rows > 0) {
        // A hint until the rows are counted; a damaged header may claim any number, but each row
        // takes at least a byte of the file.
        parse.source->description_.rows = std::min(static_cast<size_t>(rows), parse.file_bytes);
    }
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
            col.length = readstat_variable_get_storage_width(variable);
        }
        if (const char *label = readstat_variable_get_label(variable))
            col.label = label;
        // ReadStat gives "BEST12" and "8.2"; the host writes a format name as SAS shows it, "BEST12.".
        if (const char *format = readstat_variable_get_format(variable); format && *format) {
            col.format = format;
            if (col.format.find('.') == std::string::npos)
                col.format += '.';
        }
        const size_t expected = parse.source->description_.rows;
        if (col.type == VarType::Numeric)
            reserve_or_throw(col.numbers, expected);
        else
            reserve_or_throw(col.texts, expected);
        parse.source->columns_.push_back(std::move(col));
    } catch (const std::bad_alloc &) {
        parse.out_of_memory = true;
        return READSTAT_HANDLER_ABORT;
    }
    return READSTAT_HANDLER_OK;
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
        if (col.type == VarType::Numeric) {
            col.numbers.push_back(number_of(value));
        } else {
            const char *text = readstat_value_type(value) == READSTAT_TYPE_STRING ? readstat_string_value(value)
                                                                                  : nullptr;
            col.texts.emplace_back(text ? text : "");
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

using ParseFunction = readstat_error_t (*)(readstat_parser_t *, const char *, void *);

std::unique_ptr<TableSource> open_sas(const std::filesystem::path &file, ParseFunction parse_file,
                                      const char *kind, ReadMessages &messages, std::string &error)
{
    auto source = std::make_unique<SasSource>();
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(file, ec);
    Parse parse{source.get(), {}, {}, ec ? 0 : static_cast<size_t>(bytes), false};
    readstat_parser_t *parser = readstat_parser_init();
    if (!parser)
        throw std::bad_alloc();
    readstat_set_metadata_handler(parser, on_metadata);
    readstat_set_variable_handler(parser, on_variable);
    readstat_set_value_handler(parser, on_value);
    readstat_set_error_handler(parser, on_error);
    const readstat_error_t status = parse_file(parser, file.c_str(), &parse);
    readstat_parser_free(parser);
    if (parse.out_of_memory)
        throw std::bad_alloc();
    const std::string shown = excerpt(file.string(), path_excerpt_length);
    // Every column must have one value a row: a file that ends inside a row is damaged.
    size_t rows = source->columns_.empty() ? 0 : SIZE_MAX;
    bool ragged = false;
    for (const Column &col : source->columns_) {
        const size_t n = col.type == VarType::Numeric ? col.numbers.size() : col.texts.size();
        ragged = ragged || (rows != SIZE_MAX && n != rows);
        rows = std::min(rows, n);
    }
    if (status != READSTAT_OK || ragged) {
        std::string what = status != READSTAT_OK ? readstat_error_message(status) : "its rows are incomplete";
        // ReadStat's detail adds to its error code's text unless it only restates it (with a
        // stale errno after a short read).
        std::string detail = parse.reported;
        if (detail.rfind("ReadStat: ", 0) == 0)
            detail.erase(0, 10);
        if (!detail.empty() && detail.rfind(what, 0) != 0)
            what += " (" + detail + ")";
        error = "The file " + shown + " cannot be read as a SAS data set (" + kind + "): " + what + ".";
        return nullptr;
    }
    source->description_.rows = rows;
    // A name a variable cannot have (empty, control characters, taken) is changed, as in a CSV header.
    NameSet taken;
    std::vector<bool> kept;
    for (const Column &col : source->columns_)
        kept.push_back(is_storable_name(col.name) && taken.insert(col.name));
    std::string renames;
    for (size_t i = 0; i < source->columns_.size(); ++i) {
        Column &col = source->columns_[i];
        if (!kept[i]) {
            const std::string usable = valid_name(col.name);
            const std::string renamed =
                taken.claim(usable.empty() || usable == "_" ? "VAR" + std::to_string(i + 1) : usable);
            renames += (renames.empty() ? "" : ", ") + quoted_excerpt(col.name) + " to " + renamed;
            col.name = renamed;
        }
        source->description_.variables.push_back(col);
    }
    if (!renames.empty())
        messages.emplace_back(LineClass::Note, "The file " + shown + " has variable names that a variable cannot have; "
                                               "they are changed: " + renames + ".");
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
    return open_sas(file, readstat_parse_sas7bdat, ".sas7bdat", messages, error);
}

std::unique_ptr<TableSource> open_xport_file(const std::filesystem::path &file, ReadMessages &messages,
                                             std::string &error)
{
    return open_sas(file, readstat_parse_xport, "transport file", messages, error);
}

const Format &sas7bdat_format()
{
    static const Format format{"V9", ".sas7bdat", sas_max_text_length, open_sas7bdat_file, create_sas7bdat_sink};
    return format;
}

const Format &xport_format()
{
    static const Format format{"XPORT", ".xpt", sas_max_text_length, open_xport_file, create_xport_sink};
    return format;
}

} // namespace quill::host

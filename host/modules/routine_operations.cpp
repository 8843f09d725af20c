// The operations of the routine table. Each acts on the run in progress; misuse by a procedure
// (an unknown handle, a wrong code, a write before the definitions end) is logged as an error and
// answered with a non-zero result instead of being trusted. Formats come only from the procedure;
// a class prefix is split off before the rest goes to vsnprintf.
#include "modules/routine_operations.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <filesystem>

#include "base/log_writer.h"
#include "base/message_text.h"
#include "base/names.h"
#include "data/graphics_file.h"
#include "language/format_statement.h"
#include "language/output_options.h"
#include "modules/by_group_operation.h"
#include "modules/ods_tables.h"
#include "modules/statement_actions.h"
#include "modules/run_context.h"

namespace quill::host {
namespace {

constexpr int failed = -1;

RunContext *run_or_null() { return current_run(); }

int misuse(RunContext *run, const std::string &message)
{
    if (run)
        run->log().error("Procedure " + run->proc_name() + ": " + message);
    return failed;
}

bool valid_dataset(RunContext *run, qh_dataset *ds)
{
    return run && ds && run->owns(ds);
}
bool valid_record(RunContext *run, qh_record *rec)
{
    return run && rec && run->owns(rec);
}

// An input that can no longer be read as it was described (the file changed or cannot be read)
// ends the run: what the procedure would make of part of its data is not kept.
[[noreturn]] void read_failed(RunContext *run, const std::string &error)
{
    run->log().error(error);
    throw RunEnded{3000};
}

const std::vector<Variable> &variables_of(const qh_dataset *ds) { return ds->input.variables; }

std::string fixed_text(const char *text, size_t length)
{
    size_t n = 0;
    while (n < length && text[n] != '\0')
        ++n;
    while (n > 0 && text[n - 1] == ' ')
        --n;
    return std::string(text, n);
}

// The display format a definition names, as "BEST12." or "$32."; empty when it names none.
std::string display_format(const qh_var_def &def)
{
    if (!def.format)
        return {};
    size_t n = 0;
    while (n < QH_NAME_LEN && def.format[n] != '\0')
        ++n;
    std::string format = fixed_text(def.format, n);
    if (format.empty())
        return format;
    if (def.format_width > 0)
        format += std::to_string(def.format_width);
    return format + ".";
}

int op_parse(const qh_grammar *grammar, int32_t, qh_parse_area *area)
{
    RunContext *run = run_or_null();
    if (!run || !area)
        return misuse(run, "the parse operation needs a parse area.");
    return parse_step(grammar, *run, *area);
}

int op_dataset_info(qh_dataset *ds, int32_t code, double *result)
{
    RunContext *run = run_or_null();
    if (!valid_dataset(run, ds) || !result)
        return misuse(run, "data set information was asked of an unknown data set.");
    const bool input = ds->mode == QH_DS_INPUT;
    if (code == QH_INFO_OBS_COUNT)
        *result = input ? static_cast<double>(ds->input.rows())
                        : static_cast<double>(ds->writer ? ds->writer->observations : 0);
    else if (code == QH_INFO_VAR_COUNT)
        *result = input ? static_cast<double>(variables_of(ds).size())
                        : static_cast<double>(ds->writer ? ds->writer->definitions.size() : 0);
    else
        return misuse(run, "data set information code " + std::to_string(code) + " is unknown.");
    return 0;
}

int op_select_variables(qh_dataset *ds, int32_t code, int32_t count, const int32_t *numbers, double)
{
    RunContext *run = run_or_null();
    if (!valid_dataset(run, ds) || ds->mode != QH_DS_INPUT || code != QH_SELECT_VARIABLES || count < 0 ||
        (count > 0 && !numbers))
        return misuse(run, "the variable selection is not valid.");
    for (int32_t i = 0; i < count; ++i)
        if (numbers[i] < 1 || numbers[i] > static_cast<int32_t>(variables_of(ds).size()))
            return misuse(run, "variable number " + std::to_string(numbers[i]) + " does not exist in " +
                                   ds->name.display + ".");
    // Only these are read from then on (and any variable bound before reading starts).
    ds->selected.assign(variables_of(ds).size(), false);
    for (int32_t i = 0; i < count; ++i)
        ds->selected[static_cast<size_t>(numbers[i] - 1)] = true;
    return 0;
}

int op_variable_info(qh_dataset *ds, int32_t number, qh_var_info *info)
{
    RunContext *run = run_or_null();
    if (!valid_dataset(run, ds) || !info)
        return misuse(run, "variable information was asked of an unknown data set.");
    std::string name;
    VarType type;
    if (ds->mode == QH_DS_INPUT && number >= 1 && number <= static_cast<int32_t>(variables_of(ds).size())) {
        const Variable &v = variables_of(ds)[static_cast<size_t>(number - 1)];
        name = v.name;
        type = v.type;
    } else if (ds->mode == QH_DS_OUTPUT && ds->writer && number >= 1 &&
               number <= static_cast<int32_t>(ds->writer->definitions.size())) {
        const auto &def = ds->writer->definitions[static_cast<size_t>(number - 1)];
        name = def.name;
        type = def.type;
    } else {
        return misuse(run, "variable number " + std::to_string(number) + " does not exist in " +
                               ds->name.display + ".");
    }
    info->type = static_cast<int32_t>(type);
    std::memset(info->name, ' ', QH_NAME_LEN);
    std::memcpy(info->name, name.data(), std::min<size_t>(name.size(), QH_NAME_LEN));
    info->name[QH_NAME_LEN] = '\0';
    info->name_length = static_cast<int32_t>(std::min<size_t>(name.size(), QH_NAME_LEN));
    return 0;
}

qh_record *op_open_read(qh_dataset *ds, int32_t var_count)
{
    RunContext *run = run_or_null();
    if (!valid_dataset(run, ds) || ds->mode != QH_DS_INPUT || var_count < 0) {
        misuse(run, "a read record was asked for a data set that is not open for input.");
        return nullptr;
    }
    return run->new_record(ds, false, var_count);
}

// The format a variable of an input data set is shown with; false when it has none the host knows.
bool input_format(RunContext *run, const qh_dataset *ds, int32_t number, ValueFormat &fmt)
{
    return variable_format(variables_of(ds)[static_cast<size_t>(number - 1)], &run->session().formats, fmt);
}

int op_bind_variable(qh_record *rec, int32_t number, int32_t, void *buffer, int32_t length, int32_t code)
{
    RunContext *run = run_or_null();
    if (!valid_record(run, rec) || rec->writing || !buffer || (code != QH_BIND_NATIVE && code != QH_BIND_FORMATTED))
        return misuse(run, "a variable binding is not valid.");
    const std::vector<Variable> &variables = variables_of(rec->dataset);
    if (number < 1 || number > static_cast<int32_t>(variables.size()))
        return misuse(run, "variable number " + std::to_string(number) + " does not exist in " +
                               rec->dataset->name.display + ".");
    const Variable &v = variables[static_cast<size_t>(number - 1)];
    const bool text = v.type == VarType::Character || code == QH_BIND_FORMATTED;
    if ((!text && length != sizeof(double)) || (text && (length < 1 || length > 32767)))
        return misuse(run, "variable " + v.name + " cannot be bound with length " + std::to_string(length) + ".");
    if (rec->cursor && !rec->dataset->selected.empty() && !rec->dataset->selected[static_cast<size_t>(number - 1)])
        return misuse(run, "variable " + v.name + " was bound after reading began without being selected.");
    std::shared_ptr<ValueFormat> format;
    if (code == QH_BIND_FORMATTED) {
        format = std::make_shared<ValueFormat>();
        if (!input_format(run, rec->dataset, number, *format))
            return misuse(run, "variable " + v.name + " has no format to be bound with.");
    }
    rec->bindings.push_back({number - 1, buffer, length, std::move(format)});
    return 0;
}

int32_t op_variable_format(qh_dataset *ds, int32_t number, char *buffer, int32_t size)
{
    RunContext *run = run_or_null();
    if (!valid_dataset(run, ds) || ds->mode != QH_DS_INPUT || !buffer || size < 1)
        return misuse(run, "a variable's format was asked of a data set that is not open for input.");
    if (number < 1 || number > static_cast<int32_t>(variables_of(ds).size()))
        return misuse(run, "variable number " + std::to_string(number) + " does not exist in " + ds->name.display + ".");
    ValueFormat fmt;
    const std::string name = input_format(run, ds, number, fmt) ? fmt.name() : std::string();
    const size_t n = std::min(name.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
    return static_cast<int32_t>(name.size());
}

// A text blank-filled (cut) to a buffer's length.
void fill_text(void *buffer, int length, std::string_view text)
{
    char *out = static_cast<char *>(buffer);
    const size_t n = std::min(text.size(), static_cast<size_t>(length));
    std::memset(out, ' ', static_cast<size_t>(length));
    std::memcpy(out, text.data(), n);
}

int op_end_binding(qh_record *rec)
{
    RunContext *run = run_or_null();
    return valid_record(run, rec) && !rec->writing ? 0 : misuse(run, "end of binding for an unknown record.");
}

// Moves a read record on to its next observation; false at the end. Its pass starts at the first
// read_next and reads the selected variables and those it binds (every variable when none was
// selected); the pass and its buffers go at the end.
bool advance(RunContext *run, qh_record *rec)
{
    if (rec->at_end)
        return false;
    const DatasetView &input = rec->dataset->input;
    std::string error;
    if (!rec->cursor) {
        const std::vector<bool> &selected = rec->dataset->selected;
        std::vector<bool> wanted(input.source->describe().variables.size(), selected.empty());
        for (size_t i = 0; i < selected.size(); ++i)
            if (selected[i])
                wanted[input.columns[i]] = true;
        for (const auto &b : rec->bindings)
            wanted[input.columns[static_cast<size_t>(b.column)]] = true;
        rec->cursor = input.source->rows(wanted, error);
        rec->position = 0;
        if (!rec->cursor)
            read_failed(run, error);
        rec->row.resize(wanted.size());
    }
    switch (rec->cursor->next(rec->row, error)) {
    case RowCursor::Step::Row:
        rec->has_row = true;
        rec->dataset->observations_read = std::max(rec->dataset->observations_read, ++rec->position);
        return true;
    case RowCursor::Step::End: break;
    case RowCursor::Step::Failed: read_failed(run, error);
    }
    rec->has_row = false;
    rec->at_end = true;
    rec->cursor.reset();
    rec->row = Row{};
    return false;
}

// Every read record of the data set that is not released moves on; a record opened later starts
// from the first observation.
int op_read_next(qh_dataset *ds)
{
    RunContext *run = run_or_null();
    if (!valid_dataset(run, ds) || ds->mode != QH_DS_INPUT)
        return 0;
    bool open = false, read = false;
    for (qh_record *rec : ds->readers) {
        if (rec->released)
            continue;
        open = true;
        read = advance(run, rec) || read;
    }
    if (!open && ds->counted < ds->input.rows()) { // no record to read into: the observations are counted
        ++ds->counted;
        ds->observations_read = std::max(ds->observations_read, ds->counted);
        return 1;
    }
    return read ? 1 : 0;
}

int op_fetch(qh_record *rec, int32_t)
{
    RunContext *run = run_or_null();
    if (!valid_record(run, rec) || rec->writing)
        return misuse(run, "fetch from an unknown record.");
    if (!rec->has_row)
        return misuse(run, "fetch without a current observation of " + rec->dataset->name.display + ".");
    const std::vector<size_t> &columns = rec->dataset->input.columns;
    for (const auto &b : rec->bindings) {
        const size_t column = columns[static_cast<size_t>(b.column)];
        const bool numeric = variables_of(rec->dataset)[static_cast<size_t>(b.column)].type == VarType::Numeric;
        if (b.format) {
            // A missing value stays missing (blanks), whatever the format writes for it.
            const std::string &text = rec->row.texts[column];
            const bool missing = numeric ? is_missing(rec->row.numbers[column])
                                         : text.find_first_not_of(' ') == std::string::npos;
            fill_text(b.buffer, b.length, missing ? std::string() : numeric ? shown_number(rec->row.numbers[column], *b.format)
                                                                             : shown_text(text, *b.format));
        } else if (numeric) {
            const double number = rec->row.numbers[column];
            const double value = is_missing(number) ? missing_value() : number;
            std::memcpy(b.buffer, &value, sizeof value);
        } else {
            fill_text(b.buffer, b.length, rec->row.texts[column]);
        }
    }
    return 0;
}

int op_is_missing(double value) { return is_missing(value) ? 1 : 0; }
double op_missing_value(int32_t) { return missing_value(); }

qh_record *op_open_write(qh_dataset *ds, int32_t var_count)
{
    RunContext *run = run_or_null();
    if (!valid_dataset(run, ds) || ds->mode != QH_DS_OUTPUT || var_count < 0) {
        misuse(run, "a write record was asked for a data set that is not open for output.");
        return nullptr;
    }
    if (ds->writer) {
        misuse(run, "data set " + ds->name.display + " already has a write record.");
        return nullptr;
    }
    ds->writer = run->new_record(ds, true, var_count);
    return ds->writer;
}

int op_define_variable(qh_record *rec, const qh_var_def *def, int32_t, const void *value, int32_t length)
{
    RunContext *run = run_or_null();
    if (!valid_record(run, rec) || !rec->writing || !def || !value || !def->name || def->name_length < 0)
        return misuse(run, "a variable definition is not valid.");
    if (rec->definitions_ended)
        return misuse(run, "a variable of " + rec->dataset->name.display + " was defined after its definitions ended.");
    if (static_cast<int>(rec->definitions.size()) >= rec->declared)
        return misuse(run, "data set " + rec->dataset->name.display + " was opened for " +
                               std::to_string(rec->declared) + " variables; more were defined.");
    const VarType type = def->type == QH_VAR_CHARACTER ? VarType::Character : VarType::Numeric;
    if ((type == VarType::Numeric && length != sizeof(double)) ||
        (type == VarType::Character && (length < 1 || length > 32767)))
        return misuse(run, "a variable of length " + std::to_string(length) + " cannot be defined.");
    const std::string given = fixed_text(def->name, static_cast<size_t>(def->name_length));
    // A valid name keeps its case, as the variables a procedure carries from its input keep
    // theirs; an invalid one is made valid (upper case).
    const bool valid = is_valid_name(given);
    std::string name = valid ? given : valid_name(given);
    if (!valid)
        run->log().note("The variable name \"" + given + "\" is not a valid name; it is written as " + name + ".");
    const std::string chosen = rec->names.claim(name);
    if (chosen != name)
        run->log().note("Variable " + name + " already exists in data set " + rec->dataset->name.display +
                        "; the new variable is named " + chosen + ".");
    rec->definitions.push_back({chosen, type, value, length, display_format(*def)});
    return 0;
}

int op_end_definitions(qh_record *rec)
{
    RunContext *run = run_or_null();
    if (!valid_record(run, rec) || !rec->writing || rec->definitions_ended)
        return misuse(run, "end of definitions for an unknown record.");
    rec->definitions_ended = true;
    rec->row.resize(rec->definitions.size());
    if (rec->dataset->is_null)
        return 0;
    std::vector<Variable> variables;
    for (const auto &d : rec->definitions)
        variables.push_back(
            {d.name, d.type, d.type == VarType::Numeric ? number_length : static_cast<size_t>(d.length), {}, d.format});
    rec->output = make_output(run->session().library, run->log(), rec->dataset->reference);
    if (rec->output->create(std::move(variables)))
        return 0;
    rec->failed = true; // logged; every later operation on the record fails without writing
    return failed;
}

int op_write_record(qh_record *rec, int32_t)
{
    RunContext *run = run_or_null();
    if (!valid_record(run, rec) || !rec->writing || !rec->definitions_ended || rec->released)
        return misuse(run, "an observation was written before the definitions of its data set ended.");
    if (rec->failed)
        return failed;
    for (size_t i = 0; i < rec->definitions.size(); ++i) {
        const auto &d = rec->definitions[i];
        if (d.type == VarType::Numeric)
            std::memcpy(&rec->row.numbers[i], d.value, sizeof(double));
        else
            rec->row.texts[i] = fixed_text(static_cast<const char *>(d.value), static_cast<size_t>(d.length));
    }
    rec->row_pending = true;
    return 0;
}

int op_write_dataset(qh_dataset *ds, int32_t)
{
    RunContext *run = run_or_null();
    if (valid_dataset(run, ds) && ds->writer && ds->writer->failed)
        return failed;
    if (!valid_dataset(run, ds) || !ds->writer || !ds->writer->row_pending)
        return misuse(run, "a data set was written without an observation to write.");
    qh_record *rec = ds->writer;
    rec->row_pending = false;
    ++rec->observations;
    if (ds->is_null || rec->output->write(rec->row))
        return 0;
    rec->failed = true;
    return failed;
}

int op_release_record(qh_record *rec)
{
    RunContext *run = run_or_null();
    if (!valid_record(run, rec) || rec->released)
        return misuse(run, "release of an unknown record.");
    if (rec->failed) {
        rec->released = true;
        return failed;
    }
    return run->commit(rec) ? 0 : failed;
}

void emit_log(RunContext *run, LineClass kind, const std::string &text)
{
    if (!run)
        return;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find('\n', start);
        run->log().line(start == 0 ? kind : LineClass::Plain, text.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
}

void op_list_text(const char *format, ...)
{
    RunContext *run = run_or_null();
    if (!run)
        return;
    split_class_prefix(format);
    va_list args;
    va_start(args, format);
    run->listing_line += format_text(format, args);
    va_end(args);
    run->listing_line_open = true;
}

void op_list_end_line()
{
    RunContext *run = run_or_null();
    if (!run)
        return;
    run->session().listing.line(run->listing_line);
    run->listing_line.clear();
    run->listing_line_open = false;
}

void op_list_begin_report()
{
    RunContext *run = run_or_null();
    if (!run)
        return;
    if (run->listing_line_open)
        op_list_end_line();
    // The program's titles head the page, the procedure's own below them.
    std::vector<std::string> titles = run->session().titles;
    titles.insert(titles.end(), run->titles.begin(), run->titles.end());
    run->session().listing.begin_page(titles, run->session().footnotes);
}

void op_title(int32_t number, const char *text, int32_t length)
{
    RunContext *run = run_or_null();
    if (!run)
        return;
    if (number == 0 || !text) {
        std::fill(run->titles.begin(), run->titles.end(), std::string());
        return;
    }
    if (number < 1 || number > static_cast<int32_t>(run->titles.size()) || length < 0) {
        misuse(run, "title " + std::to_string(number) + " does not exist.");
        return;
    }
    const char *body = text;
    if (split_class_prefix(body) != LineClass::Title)
        body = text;
    const size_t used = static_cast<size_t>(body - text);
    run->titles[static_cast<size_t>(number - 1)] =
        used <= static_cast<size_t>(length) ? fixed_text(body, static_cast<size_t>(length) - used) : std::string();
    for (size_t i = static_cast<size_t>(number); i < run->titles.size(); ++i)
        run->titles[i].clear();
}

int32_t op_format_into(char *buffer, int32_t size, const char *format, ...)
{
    if (!buffer || size <= 0 || !format)
        return 0;
    split_class_prefix(format);
    va_list args;
    va_start(args, format);
    const int needed = std::vsnprintf(buffer, static_cast<size_t>(size), format, args);
    va_end(args);
    if (needed < 0)
        return 0;
    return std::min<int32_t>(needed, size - 1);
}

int op_compare(const char *a, const char *b, int32_t n)
{
    if (!a || !b)
        return 1;
    return n <= 0 ? 0 : std::strncmp(a, b, static_cast<size_t>(n));
}

void op_fill(int ch, char *buffer, int32_t n)
{
    if (buffer && n > 0)
        std::memset(buffer, ch, static_cast<size_t>(n));
}

void op_name_text(char *text, int32_t length, int32_t code)
{
    if (code == QH_TEXT_TRIM)
        trim_name_text(text, length);
    else if (code == QH_TEXT_VALID_NAME)
        valid_name_text(text, length);
    else
        misuse(run_or_null(), "name text operation " + std::to_string(code) + " is unknown.");
}

void *op_allocate(size_t bytes)
{
    RunContext *run = run_or_null();
    if (!run)
        return nullptr;
    void *block = run->arena().allocate(bytes);
    if (!block) {
        run->log().error("Procedure " + run->proc_name() + " needs " + std::to_string(bytes) +
                         " bytes of memory, more than the system can give.");
        throw RunEnded{3000};
    }
    return block;
}

void op_release(void *block)
{
    RunContext *run = run_or_null();
    if (run && block && !run->arena().release(block))
        misuse(run, "memory the run did not allocate was given back.");
}

// Copies text into buffer[0 .. size) as snprintf does; returns the full length.
int32_t copy_out(const std::string &text, char *buffer, int32_t size)
{
    if (buffer && size > 0) {
        const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<int32_t>(text.size());
}

int32_t op_dataset_name(qh_dataset *ds, int32_t code, char *buffer, int32_t size)
{
    RunContext *run = run_or_null();
    if (!valid_dataset(run, ds) || (code != QH_DSNAME_DISPLAY && code != QH_DSNAME_LOCATION))
        return misuse(run, "the name of an unknown data set was asked for.");
    if (code == QH_DSNAME_DISPLAY)
        return copy_out(ds->name.display, buffer, size);
    if (ds->is_null || ds->name.location.empty())
        return copy_out("", buffer, size); // stored nowhere, so shared with no other
    // Absolute first: a relative path whose first folder does not exist yet would stay relative.
    std::error_code ec;
    std::filesystem::path where = std::filesystem::absolute(ds->name.location, ec);
    if (!ec)
        where = std::filesystem::weakly_canonical(where, ec);
    return copy_out((ec ? ds->name.location : where).string(), buffer, size);
}

int32_t op_graphics_folder(char *buffer, int32_t size, int32_t *step)
{
    RunContext *run = run_or_null();
    if (!run || !step)
        return misuse(run, "the graphics folder needs a step number to fill.");
    *step = run->step_number();
    return copy_out(run->session().graphics_folder.string(), buffer, size);
}

// Writes a reason for the procedure's message into reason[0 .. size).
void give_reason(const std::string &text, char *reason, int32_t size)
{
    copy_out(text, reason, size);
}

qh_graphics_file *op_open_graphics_file(const char *name, FILE **stream, char *reason, int32_t size)
{
    RunContext *run = run_or_null();
    if (!run || !name || !stream) {
        misuse(run, "a graphics file was opened without a name or a place for its stream.");
        return nullptr;
    }
    *stream = nullptr;
    if (!is_graphics_file_name(name)) {
        misuse(run, "the graphics file name \"" + excerpt(name, path_excerpt_length) + "\" is not valid.");
        give_reason("its name is not valid", reason, size);
        return nullptr;
    }
    // The folder is made (or found wanting) only now that a plot is to be written.
    const std::filesystem::path &folder = run->session().graphics_folder;
    std::error_code ec, status_ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, status_ec)) {
        give_reason("the folder " + folder.string() + " cannot be created (" +
                        (ec ? ec.message() : std::string("it is not a folder")) + ")",
                    reason, size);
        return nullptr;
    }
    const std::filesystem::path target = folder / name;
    for (const std::string &note : run->session().library.prepare_output(target))
        run->log().note(note);
    qh_graphics_file *file = run->new_graphics_file();
    std::string why;
    if (!open_graphics_file(*file, target, why)) {
        run->drop(file);
        give_reason(why, reason, size);
        return nullptr;
    }
    *stream = file->stream;
    return file;
}

int32_t op_close_graphics_file(qh_graphics_file *file, int32_t keep, char *reason, int32_t size)
{
    RunContext *run = run_or_null();
    if (!run || !file || !run->owns(file))
        return misuse(run, "an unknown graphics file was closed.");
    std::string why;
    const bool done = close_graphics_file(*file, keep != 0, why);
    run->drop(file);
    if (!done)
        give_reason(why, reason, size);
    return done ? 0 : failed;
}

} // namespace

void routine_log(const char *format, ...)
{
    const LineClass kind = split_class_prefix(format);
    va_list args;
    va_start(args, format);
    const std::string text = format_text(format, args);
    va_end(args);
    emit_log(run_or_null(), kind, text);
}

void routine_end_run(int32_t return_code, int32_t) { throw RunEnded{return_code}; }

void fill_routine_table(qh_routines *table, qh_parse_area *area)
{
    if (area) {
        area->proc_record = nullptr;
        area->status = 0;
    }
    if (!table)
        return;
    *table = qh_routines{};
    table->parse = op_parse;
    table->dataset_info = op_dataset_info;
    table->select_variables = op_select_variables;
    table->variable_info = op_variable_info;
    table->open_read = op_open_read;
    table->bind_variable = op_bind_variable;
    table->end_binding = op_end_binding;
    table->read_next = op_read_next;
    table->fetch = op_fetch;
    table->is_missing = op_is_missing;
    table->missing_value = op_missing_value;
    table->open_write = op_open_write;
    table->define_variable = op_define_variable;
    table->end_definitions = op_end_definitions;
    table->write_record = op_write_record;
    table->write_dataset = op_write_dataset;
    table->release_record = op_release_record;
    table->log = routine_log;
    table->list_text = op_list_text;
    table->list_end_line = op_list_end_line;
    table->list_begin_report = op_list_begin_report;
    table->title = op_title;
    table->format_into = op_format_into;
    table->compare = op_compare;
    table->fill = op_fill;
    table->remove_pattern = remove_pattern_text;
    table->name_text = op_name_text;
    table->allocate = op_allocate;
    table->end_run = routine_end_run;
    table->dataset_name = op_dataset_name;
    table->graphics_folder = op_graphics_folder;
    table->release = op_release;
    table->open_graphics_file = op_open_graphics_file;
    table->close_graphics_file = op_close_graphics_file;
    table->by_groups = op_by_groups;
    table->variable_format = op_variable_format;
    table->output_table = op_output_table;
}

} // namespace quill::host

// PROC IMPORT DATAFILE='file.csv' OUT=ds DBMS=CSV <REPLACE>; reads a CSV file into a data set.
// PROC EXPORT DATA=ds OUTFILE='file' DBMS=CSV|XPT <REPLACE>; writes a data set to a CSV or a
// transport file (its member named as the data set). Without REPLACE an existing target is an
// error and stays as it was; with it, the target is replaced only once the new one is complete.
#include "base/message_text.h"
#include "base/names.h"
#include "data/csv/csv_store.h"
#include "data/output_dataset.h"
#include "data/sas/sas_store.h"
#include "steps/proc_support.h"

namespace quill::host {
namespace {

struct TransferOptions {
    const StepOption *data = nullptr, *out = nullptr, *file = nullptr, *dbms = nullptr;
    bool replace = false;
};

bool read_transfer_options(Session &session, const Step &step, const char *proc, const char *file_option,
                           TransferOptions &options, std::vector<StepOption> &list)
{
    if (!read_step_options(session, step.head, 2, proc, list))
        return false;
    for (const StepOption &o : list) {
        if (o.name == "DATA" && o.has_value && std::string(proc) == "EXPORT")
            options.data = &o;
        else if (o.name == "OUT" && o.has_value && std::string(proc) == "IMPORT")
            options.out = &o;
        else if (o.name == file_option && o.has_value)
            options.file = &o;
        else if (o.name == "DBMS" && o.has_value)
            options.dbms = &o;
        else if (o.name == "REPLACE" && !o.has_value)
            options.replace = true;
        else {
            unknown_option(session, o, proc);
            return false;
        }
    }
    if (!step.body.empty()) {
        unknown_statement(session, step.body.front(), proc);
        return false;
    }
    if (!options.file || step.head.tokens[options.file->begin].kind != TokenKind::String ||
        step.head.tokens[options.file->begin].text.empty()) {
        session.log.error(at_line(std::string("PROC ") + proc + " needs " + file_option + "='file'", step.head.line()));
        return false;
    }
    return true;
}

std::string dbms_of(const Step &step, const TransferOptions &options)
{
    return options.dbms ? upper_case(step.head.tokens[options.dbms->begin].text) : std::string();
}

} // namespace

void run_proc_import(Session &session, const Step &step)
{
    TransferOptions options;
    std::vector<StepOption> list;
    if (!read_transfer_options(session, step, "IMPORT", "DATAFILE", options, list))
        return;
    if (dbms_of(step, options) != "CSV") {
        session.log.error(at_line("PROC IMPORT reads DBMS=CSV files", step.head.line()));
        return;
    }
    if (!options.out) {
        session.log.error(at_line("PROC IMPORT needs OUT=", step.head.line()));
        return;
    }
    DatasetReference out;
    if (!step_output_name(session, step.head, *options.out, out) || out.is_null)
        return;
    std::error_code ec;
    if (!options.replace && std::filesystem::exists(out.name.location, ec)) {
        session.log.error(at_line("Import cancelled: the data set " + out.name.display +
                                      " already exists; specify REPLACE to replace it",
                                  step.head.line()));
        return;
    }
    const std::string file = step.head.tokens[options.file->begin].text;
    ReadMessages messages;
    std::string error;
    const std::unique_ptr<TableSource> source = open_csv_file(file, messages, error);
    for (const auto &[kind, text] : messages)
        session.log.line(kind, text);
    Table table;
    if (!source || !read_table(*source, {}, table, error)) {
        session.log.error(at_line(error, step.head.line()));
        return;
    }
    session.log.note(std::to_string(table.rows) + " records were read from the file " +
                     excerpt(file, path_excerpt_length) + ".");
    OutputDataset output(session.library, session.log, out.name);
    if (!output.create(std::vector<Variable>(table.columns.begin(), table.columns.end())))
        return;
    Row row;
    row.resize(table.columns.size());
    for (size_t r = 0; r < table.rows; ++r) {
        for (size_t c = 0; c < table.columns.size(); ++c) {
            if (table.columns[c].type == VarType::Numeric)
                row.numbers[c] = table.columns[c].numbers[r];
            else
                row.texts[c] = std::move(table.columns[c].texts[r]);
        }
        if (!output.write(row))
            return;
    }
    output.commit();
}

void run_proc_export(Session &session, const Step &step)
{
    TransferOptions options;
    std::vector<StepOption> list;
    if (!read_transfer_options(session, step, "EXPORT", "OUTFILE", options, list))
        return;
    const std::string dbms = dbms_of(step, options);
    const Format *format = dbms == "CSV" ? &csv_format() : dbms == "XPT" ? &xport_format() : nullptr;
    if (!format) {
        session.log.error(at_line("PROC EXPORT writes DBMS=CSV or DBMS=XPT files", step.head.line()));
        return;
    }
    DatasetReference ref;
    DatasetView view;
    if (!open_step_input(session, step.head, options.data, "EXPORT", ref, view))
        return;
    const std::filesystem::path file = step.head.tokens[options.file->begin].text;
    const std::string shown = excerpt(file.string(), path_excerpt_length);
    std::error_code ec;
    if (!options.replace && std::filesystem::exists(file, ec)) {
        session.log.error(at_line("Export cancelled: the file " + shown + " already exists; specify REPLACE to replace it",
                                  step.head.line()));
        return;
    }
    Table table;
    std::string error;
    if (!read_view(view, table, error)) {
        session.log.error(at_line(error, step.head.line()));
        return;
    }
    for (const std::string &note : session.library.prepare_output(file))
        session.log.note(note);
    const std::string member = ref.name.member.empty() ? upper_case(file.stem().string()) : ref.name.member;
    const std::unique_ptr<TableSink> sink = format->create(file, member);
    bool ok = sink->define(std::vector<Variable>(table.columns.begin(), table.columns.end()), error);
    Row row;
    row.resize(table.columns.size());
    for (size_t r = 0; ok && r < table.rows; ++r) {
        for (size_t c = 0; c < table.columns.size(); ++c) {
            const Column &col = table.columns[c];
            if (col.type == VarType::Numeric)
                row.numbers[c] = std::isinf(col.numbers[r]) ? missing_value() : col.numbers[r];
            else
                row.texts[c] = col.texts[r];
        }
        ok = sink->write_row(row, error);
    }
    if (!ok || !sink->commit(error)) {
        sink->discard();
        session.log.error(at_line(error, step.head.line()));
        return;
    }
    for (const std::string &warning : sink->warnings())
        session.log.warning(warning);
    session.log.note(std::to_string(table.rows) + " records were written to the file " + shown + ".");
}

} // namespace quill::host

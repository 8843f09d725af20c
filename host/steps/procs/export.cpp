// PROC EXPORT DATA=ds OUTFILE='file' DBMS=CSV|XPT <REPLACE>; writes a data set to a CSV or a
// transport file (its member named as the data set). Without REPLACE an existing file is an error
// and stays as it was; with it, the file is replaced only once the new one is complete.
#include <cmath>

#include "base/message_text.h"
#include "base/names.h"
#include "data/csv/csv_store.h"
#include "data/sas/sas_store.h"
#include "steps/procs/transfer_options.h"

namespace quill::host {

void run_proc_export(ProcRun &run)
{
    Session &session = run.session;
    const std::string file_name = file_option(run, "OUTFILE");
    if (file_name.empty())
        return;
    const std::string dbms = dbms_of(run);
    const Format *format = dbms == "CSV" ? &csv_format() : dbms == "XPT" ? &xport_format() : nullptr;
    if (!format) {
        run.error("PROC EXPORT writes DBMS=CSV or DBMS=XPT files", run.line());
        return;
    }
    const DatasetReference &ref = run.input;
    const std::filesystem::path file = file_name;
    const std::string shown = excerpt(file.string(), path_excerpt_length);
    std::error_code ec;
    if (!run.flag("REPLACE") && std::filesystem::exists(file, ec)) {
        run.error("Export cancelled: the file " + shown + " already exists; specify REPLACE to replace it", run.line());
        return;
    }
    Table table;
    std::string error;
    if (!run.read(table))
        return;
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
        run.error(error, run.line());
        return;
    }
    for (const std::string &warning : sink->warnings())
        session.log.warning(warning);
    session.log.note(std::to_string(table.rows) + " records were written to the file " + shown + ".");
}

} // namespace quill::host

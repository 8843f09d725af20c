// PROC IMPORT DATAFILE='file.csv' OUT=ds DBMS=CSV <REPLACE>; reads a CSV file into a data set.
// Without REPLACE an existing data set is an error and stays as it was; with it, the data set is
// replaced only once the new one is complete.
#include "base/message_text.h"
#include "base/names.h"
#include "data/csv/csv_store.h"
#include "steps/procs/transfer_options.h"

namespace quill::host {

void run_proc_import(ProcRun &run)
{
    Session &session = run.session;
    const std::string file = file_option(run, "DATAFILE");
    if (file.empty())
        return;
    if (dbms_of(run) != "CSV") {
        run.error("PROC IMPORT reads DBMS=CSV files", run.line());
        return;
    }
    const StepOption *out_option = run.option("OUT");
    if (!out_option) {
        run.error("PROC IMPORT needs OUT=", run.line());
        return;
    }
    DatasetReference out;
    if (!run.output_name(*out_option, out) || out.is_null)
        return;
    std::error_code ec;
    if (!run.flag("REPLACE") && std::filesystem::exists(out.name.location, ec)) {
        run.error("Import cancelled: the data set " + out.name.display + " already exists; specify REPLACE to replace it",
                  run.line());
        return;
    }
    ReadMessages messages;
    std::string error;
    const std::unique_ptr<TableSource> source = open_csv_file(file, messages, error);
    for (const auto &[kind, text] : messages)
        session.log.line(kind, text);
    Table table;
    if (!source || !read_table(*source, {}, table, error)) {
        run.error(error, run.line());
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


} // namespace quill::host

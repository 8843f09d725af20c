// PROC EXPORT DATA=ds OUTFILE='file'|fileref DBMS=CSV|TAB|DLM|XPT <REPLACE>; <DELIMITER='c';>
// writes a data set to a delimited text file (CSV: commas, TAB: tabs, DLM: the DELIMITER=
// character, a blank by default; a header row of names, texts in quotes as a CSV data set has
// them) or a transport file (its member named as the data set). Without DBMS= the file's
// extension (.csv, .tab, .tsv, .xpt) says which. Without REPLACE an existing file is an error and
// stays as it was; with it, the file is replaced only once the new one is complete.
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
    std::string dbms = dbms_of(run);
    if (dbms.empty()) {
        const std::string extension = lower_case(std::filesystem::path(file_name).extension().string());
        dbms = extension == ".tab" || extension == ".tsv" ? "TAB" : upper_case(extension.substr(extension.empty() ? 0 : 1));
    }
    if (dbms != "CSV" && dbms != "TAB" && dbms != "DLM" && dbms != "XPT") {
        run.error("DBMS=" + dbms + " is not supported by this host; PROC EXPORT writes DBMS=CSV, TAB, DLM and XPT",
                  run.line());
        return;
    }
    char delimiter = dbms == "TAB" ? '\t' : dbms == "DLM" ? ' ' : ',';
    for (const Statement *s : run.statements) { // DELIMITER='c';
        const auto &t = s->tokens;
        if (t.size() != 4 || !is_punct(t[1], '=') || t[2].kind != TokenKind::String || t[2].text.size() != 1) {
            run.error("DELIMITER= takes one character in quotes, such as ';' or '09'x", s->line());
            return;
        }
        delimiter = t[2].text[0];
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
    const std::unique_ptr<TableSink> sink = dbms == "XPT"   ? xport_format().create(file, member)
                                            : dbms == "CSV" && delimiter == ','
                                                ? csv_format().create(file, member)
                                                : create_delimited_sink(file, delimiter);
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

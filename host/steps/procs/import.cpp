// PROC IMPORT DATAFILE='file'|fileref OUT=ds <DBMS=CSV|TAB|DLM> <REPLACE>; reads a delimited text
// file into a data set, with the statements
//   GETNAMES=YES|NO;        the first row names the variables (YES, the default) or is data
//                           (NO: the variables are VAR1, VAR2 ...);
//   DATAROW=n;              the line the data start on (by default the one after the names);
//   GUESSINGROWS=n|MAX;     taken: every row is read before a column's type and length are
//                           chosen, so no value is lost to a guess made from the first rows;
//   DELIMITER='c' | 'hh'x;  the character between values (DBMS=DLM; a blank by default).
// DBMS=CSV separates by commas, TAB by tabs; without DBMS= a file ending in .csv is CSV and one
// ending in .tab or .tsv is TAB. Column names that are not SAS names become SAS names under
// OPTIONS VALIDVARNAME=V7 (the default: "Birth Weight" is Birth_Weight; UPCASE also upper-cases
// them) and a NOTE lists them; VALIDVARNAME=ANY keeps them, to be named as 'Birth Weight'n.
// Without REPLACE an existing data set is an error and stays as it was; with it, the data set is
// replaced only once the new one is complete.
#include "base/message_text.h"
#include "base/names.h"
#include "data/csv/csv_store.h"
#include "steps/procs/transfer_options.h"

namespace quill::host {
namespace {

// The value of a statement `KEYWORD = value;`; nullptr, with an error logged, when it has none.
const Token *statement_value(ProcRun &run, const Statement &s)
{
    const auto &t = s.tokens;
    if (t.size() != 4 || !is_punct(t[1], '=')) {
        run.error(s.keyword() + " takes one value: " + s.keyword() + "=value;", s.line());
        return nullptr;
    }
    return &t[2];
}

bool name_is(const Token &t, const char *word) { return t.kind == TokenKind::Name && upper_case(t.text) == word; }

// The layout the statements and DBMS= give the file.
bool read_layout(ProcRun &run, const std::string &dbms, CsvLayout &layout)
{
    layout.delimiter = dbms == "TAB" ? '\t' : dbms == "DLM" ? ' ' : ',';
    for (const Statement *s : run.statements) {
        const Token *value = statement_value(run, *s);
        if (!value)
            return false;
        const std::string keyword = s->keyword();
        if (keyword == "GETNAMES") {
            if (!name_is(*value, "YES") && !name_is(*value, "NO") && !name_is(*value, "Y") && !name_is(*value, "N")) {
                run.error("GETNAMES= takes YES or NO", s->line());
                return false;
            }
            layout.names = upper_case(value->text)[0] == 'Y';
        } else if (keyword == "DATAROW" || keyword == "GUESSINGROWS") {
            const bool max = keyword == "GUESSINGROWS" && name_is(*value, "MAX");
            if (!max && (value->kind != TokenKind::Integer || value->number < 1 || value->number > 2147483647)) {
                run.error(keyword + "= takes a whole number from 1" + (keyword == "GUESSINGROWS" ? " or MAX" : ""),
                          s->line());
                return false;
            }
            if (keyword == "DATAROW")
                layout.first_data_row = static_cast<int>(value->number);
        } else { // DELIMITER
            if (value->kind != TokenKind::String || value->text.size() != 1) {
                run.error("DELIMITER= takes one character in quotes, such as ';' or '09'x", s->line());
                return false;
            }
            layout.delimiter = value->text[0];
        }
    }
    if (layout.first_data_row == 0 && !layout.names)
        layout.first_data_row = 1;
    return true;
}

// DBMS= as given, or from the file's extension.
std::string import_dbms(ProcRun &run, const std::string &file)
{
    std::string dbms = dbms_of(run);
    if (dbms.empty()) {
        const std::string extension = lower_case(std::filesystem::path(file).extension().string());
        dbms = extension == ".csv" ? "CSV" : extension == ".tab" || extension == ".tsv" ? "TAB" : "";
    }
    if (dbms != "CSV" && dbms != "TAB" && dbms != "DLM") {
        run.error(dbms.empty() ? "PROC IMPORT needs DBMS=CSV, TAB or DLM for the file " + excerpt(file, path_excerpt_length)
                               : "DBMS=" + dbms + " is not supported by this host; PROC IMPORT reads DBMS=CSV, TAB and DLM",
                  run.line());
        return std::string();
    }
    return dbms;
}

// 'Birth Weight'n: a name as a program writes it when it is not a SAS name (a quote doubled).
std::string name_literal(const std::string &name)
{
    std::string text = "'";
    for (char c : name)
        text += c == '\'' ? std::string("''") : std::string(1, c);
    return text + "'n";
}

// Column names that are not SAS names become SAS names (VALIDVARNAME=V7 or UPCASE), never the name
// of another column; one NOTE lists the changes. Under VALIDVARNAME=ANY they stay, and a NOTE
// gives the name literals that reach them.
void sas_names(Session &session, std::vector<Column> &columns)
{
    if (session.validvarname == NameRule::Any) {
        std::string kept;
        for (const Column &c : columns)
            if (!is_valid_name(c.name))
                kept += (kept.empty() ? "" : ", ") + name_literal(c.name);
        if (!kept.empty())
            session.log.note("Column names that are not SAS names are kept (VALIDVARNAME=ANY); a program names them as "
                             "name literals: " + kept + ".");
        return;
    }
    const bool upcase = session.validvarname == NameRule::Upcase;
    NameSet taken;
    for (const Column &c : columns)
        if (is_valid_name(c.name))
            taken.insert(c.name);
    std::string changes;
    for (Column &c : columns) {
        if (is_valid_name(c.name)) {
            if (upcase)
                c.name = upper_case(c.name);
            continue;
        }
        const std::string given = c.name;
        c.name = taken.claim(upcase ? upper_case(v7_name(given)) : v7_name(given));
        changes += (changes.empty() ? "" : ", ") + quoted_excerpt(given) + " to " + c.name;
    }
    if (!changes.empty())
        session.log.note("Column names that are not SAS names are changed (VALIDVARNAME=" +
                         std::string(upcase ? "UPCASE" : "V7") + "): " + changes + ".");
}

} // namespace

void run_proc_import(ProcRun &run)
{
    Session &session = run.session;
    const std::string file = file_option(run, "DATAFILE");
    if (file.empty())
        return;
    const std::string dbms = import_dbms(run, file);
    CsvLayout layout;
    if (dbms.empty() || !read_layout(run, dbms, layout))
        return;
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
    const std::unique_ptr<TableSource> source = open_delimited_file(file, layout, messages, error);
    for (const auto &[kind, text] : messages)
        session.log.line(kind, text);
    Table table;
    if (!source || !read_table(*source, {}, table, error)) {
        run.error(error, run.line());
        return;
    }
    session.log.note(std::to_string(table.rows) + " records were read from the file " +
                     excerpt(file, path_excerpt_length) + ".");
    sas_names(session, table.columns);
    const std::unique_ptr<OutputDataset> output = run.make_output(out);
    if (!output->create(std::vector<Variable>(table.columns.begin(), table.columns.end())))
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
        if (!output->write(row))
            return;
    }
    output->commit();
}

} // namespace quill::host

#include "steps/step_table.h"

#include <algorithm>

#include "steps/summary_statistics.h"

namespace quill::host {

// The bodies, one file each under procs/.
void run_proc_contents(ProcRun &run);
void run_proc_datasets(ProcRun &run);
void run_proc_export(ProcRun &run);
void run_proc_format(ProcRun &run);
void run_proc_freq(ProcRun &run);
void run_proc_import(ProcRun &run);
void run_proc_means(ProcRun &run);
void run_proc_print(ProcRun &run);
void run_proc_sort(ProcRun &run);
void run_proc_summary(ProcRun &run);
void run_proc_transpose(ProcRun &run);
std::unique_ptr<StatementProcedure> start_proc_sql(ProcRun &run);

namespace {

// Options: NAME a flag, NAME= a value of one token, NAME=ds a data set (DATA=ds is the input,
// _LAST_ when absent). Statements: besides WHERE, LABEL, FORMAT and INFORMAT, which every
// procedure that reads a data set takes from the frame; BY gives the procedure BY groups.
// ORDER: by name.
constexpr ProcRow procedures[] = {
    // name      body               options                                                 statements
    {"CONTENTS", run_proc_contents, "DATA=ds OUT=ds NOPRINT VARNUM NODS",                   "", nullptr, true},
    {"DATASETS", run_proc_datasets, "LIBRARY= LIB= DDNAME= KILL NOLIST NOWARN MEMTYPE= MT=",   "DELETE CHANGE"},
    {"EXPORT",   run_proc_export,   "DATA=ds OUTFILE= DBMS= REPLACE",                       "DELIMITER"},
    {"FORMAT",   run_proc_format,   "FMTLIB LIBRARY= LIB=",                                 "VALUE INVALUE PICTURE SELECT EXCLUDE"},
    {"FREQ",     run_proc_freq,     "DATA=ds NOPRINT",                                      "TABLES TABLE"},
    {"IMPORT",   run_proc_import,   "DATAFILE= OUT=ds DBMS= REPLACE",                       "GETNAMES DATAROW GUESSINGROWS DELIMITER"},
    {"MEANS",    run_proc_means,    "DATA=ds MAXDEC= NWAY NOPRINT " QUILL_STATISTIC_OPTIONS, "VAR CLASS BY OUTPUT"},
    {"PRINT",    run_proc_print,    "DATA=ds NOOBS LABEL L N",                              "VAR ID SUM BY"},
    {"SORT",     run_proc_sort,     "DATA=ds OUT=ds NODUPKEY",                              "BY"},
    {"SQL",      nullptr,           "NOPRINT PRINT OUTOBS= INOBS= FEEDBACK NOFEEDBACK NUMBER NONUMBER UNDO_POLICY=", "", start_proc_sql},
    {"SUMMARY",  run_proc_summary,  "DATA=ds MAXDEC= NWAY PRINT NOPRINT " QUILL_STATISTIC_OPTIONS, "VAR CLASS BY OUTPUT"},
    {"TRANSPOSE", run_proc_transpose, "DATA=ds OUT=ds PREFIX= NAME= LABEL= LET",                "VAR ID BY"},
};

} // namespace

std::span<const ProcRow> host_procedures() { return procedures; }

const ProcRow *find_host_procedure(std::string_view name)
{
    for (const ProcRow &row : procedures)
        if (row.name == name)
            return &row;
    return nullptr;
}

std::string procedures_note(const std::vector<std::string> &modules)
{
    std::vector<std::string> names = modules;
    for (const ProcRow &row : procedures)
        if (std::find(names.begin(), names.end(), row.name) == names.end())
            names.emplace_back(row.name);
    std::sort(names.begin(), names.end());
    std::string list;
    for (const std::string &name : names)
        list += (list.empty() ? "" : ", ") + name;
    return "The procedures this host has are " + list + ".";
}

} // namespace quill::host

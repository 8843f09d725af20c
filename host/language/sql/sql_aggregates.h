// SAS's summary statistics that SQLite lacks, as aggregate functions that also serve as window
// functions (a remerged statistic is one over its group's window): sas_std, sas_var, sas_css,
// sas_uss, sas_cv, sas_stderr, sas_range and sas_count_distinct; and sas_single, the guard of a
// scalar subquery, which fails when the subquery gives more than one row.
#ifndef QUILL_HOST_LANGUAGE_SQL_SQL_AGGREGATES_H
#define QUILL_HOST_LANGUAGE_SQL_SQL_AGGREGATES_H

struct sqlite3;

namespace quill::host {

// sas_single's failure, as the engine's message carries it.
inline constexpr char more_than_one_row_message[] = "sas_single: more than one row";

bool register_sql_aggregates(sqlite3 *db);

} // namespace quill::host

#endif

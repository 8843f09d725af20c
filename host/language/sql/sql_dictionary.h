// PROC SQL's dictionary tables: what the run's libraries hold, as tables a query reads like any
// other. DICTIONARY.TABLES has a row per data set (LIBNAME, MEMNAME, MEMTYPE, MEMLABEL, NOBS,
// NVAR), DICTIONARY.COLUMNS a row per variable (LIBNAME, MEMNAME, MEMTYPE, NAME, TYPE, LENGTH,
// VARNUM, LABEL, FORMAT, INFORMAT); SASHELP.VTABLE and SASHELP.VCOLUMN are the same tables. Made
// afresh each time a statement names one, from the data sets as they are then.
#ifndef QUILL_HOST_SQL_DICTIONARY_H
#define QUILL_HOST_SQL_DICTIONARY_H

#include <memory>
#include <string>

#include "data/dataset_library.h"
#include "data/format.h"
#include "language/dataset_reference.h"
#include "language/tokenizer.h"

namespace quill::host {

// Whether the two-level name token `name` is a dictionary table; if so `ref` names it
// (DICTIONARY.COLUMNS, for SASHELP.VCOLUMN too).
bool dictionary_reference(const Token &name, DatasetReference &ref);

// The rows of the dictionary table `ref` names now: every member of every assigned library. A
// member that cannot be read is passed over.
std::shared_ptr<const TableSource> dictionary_table(const DatasetLibrary &library, const DatasetReference &ref);

} // namespace quill::host

#endif

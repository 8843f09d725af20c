// What lives for the whole program run: log, listing, data set library, titles and options.
#ifndef QUILL_HOST_SESSION_H
#define QUILL_HOST_SESSION_H

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/log_writer.h"
#include "data/dataset_library.h"
#include "language/format_catalog.h"
#include "language/macro/macro_processor.h"
#include "language/macro/macro_symbols.h"
#include "language/sql/sql_views.h"
#include "language/tokenizer.h"

namespace quill::host {

// OPTIONS VALIDVARNAME=: the names PROC IMPORT gives columns that are not SAS names.
enum class NameRule { V7, Upcase, Any };

// ODS OUTPUT table=data set: a table of the next PROC step that the program asks for as a data set.
struct OdsOutputRequest {
    std::string table;          // as the statement writes it: ParameterEstimates (any case)
    std::vector<Token> dataset; // the data set name with its options, as written
    int line = 0;
    bool made = false;          // a procedure of the step handed the table over
};

struct Session {
    Session(TextSink log_sink, TextSink listing_sink, std::filesystem::path work, bool keep_work)
        : log(std::move(log_sink)), listing(std::move(listing_sink)), library(std::move(work), keep_work)
    {
    }

    LogWriter log;
    Listing listing;
    DatasetLibrary library;
    std::string debug_option;          // OPTIONS DEBUG='...'
    int cpu_count = -1;                // OPTIONS CPUCOUNT=: -1 not given, 0 ACTUAL (every core)
    bool threads = true;               // OPTIONS THREADS / NOTHREADS
    NameRule validvarname = NameRule::V7; // OPTIONS VALIDVARNAME=
    std::vector<std::string> titles = std::vector<std::string>(10);    // TITLE1 .. TITLE10
    std::vector<std::string> footnotes = std::vector<std::string>(10); // FOOTNOTE1 .. FOOTNOTE10
    bool hide_sasproci = false;        // test switch: the procedure interface module is missing
    std::filesystem::path graphics_folder = "."; // -gpath: where procedures write graphics files
    std::map<std::string, int> procedure_steps;  // steps run so far, per procedure name
    std::vector<Token> step_where;     // the WHERE statement of the running PROC step: filters its input
    std::vector<std::vector<Token>> step_formats; // its FORMAT and INFORMAT statements: formats of its input
    std::map<std::string, std::string> filerefs; // FILENAME ref 'path': the upper-case ref -> the path
    MacroSymbols macro_symbols;        // %LET, CALL SYMPUTX and the automatic macro variables
    MacroOptions macro_options;        // OPTIONS MPRINT, SYMBOLGEN, MLOGIC, MINOPERATOR ...
    FormatCatalog formats;             // the formats and informats PROC FORMAT defined
    SqlViews sql_views;                // PROC SQL's CREATE VIEW: kept for the run
    std::vector<OdsOutputRequest> ods_outputs; // ODS OUTPUT: for the next PROC step
};

// The thread limit the program's options set for the steps that follow, as the interface vector
// carries it: 0 when they set none (the user's own setting then holds), QH_EVERY_CORE for
// CPUCOUNT=ACTUAL.
int program_thread_limit(const Session &session);

} // namespace quill::host

#endif

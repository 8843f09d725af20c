// The INFILE statement of a DATA step: where INPUT reads its lines (a file or the step's data
// lines) and how it reads them.
#ifndef QUILL_HOST_STEPS_DATA_STEP_INFILE_STATEMENT_H
#define QUILL_HOST_STEPS_DATA_STEP_INFILE_STATEMENT_H

#include <cstddef>
#include <limits>
#include <string>

#include "steps/data_step/datalines_input.h"

namespace quill::host {

struct InfileRequest {
    bool data_lines = true; // DATALINES or CARDS; otherwise `path`
    std::string path;
    std::string fileref; // the FILENAME ref that named the path, if one did
    size_t firstobs = 1;                                  // the first line read
    size_t obs = std::numeric_limits<size_t>::max();      // the last line read
    RawLayout layout;
    size_t lrecl = 32767; // the longest record of a file: the rest of a longer line is passed over
    int line = 0;
};

// INFILE 'path' | fileref | DATALINES | CARDS <DLM=|DELIMITER='chars'> <DSD> <FIRSTOBS=n> <OBS=n|MAX>
// <MISSOVER|TRUNCOVER|FLOWOVER> <LRECL=n>; false when an error was logged.
bool parse_infile_statement(Session &session, const Statement &statement, InfileRequest &request);

// The lines INPUT reads, as the request says: the step's data lines (the first of them numbered
// `first_data_line`), or the lines of the file, each cut to LRECL=, which is opened here to see
// that it can be read and then noted (note_infile). False when an error was logged.
bool infile_text(Session &session, const InfileRequest &request, const std::vector<std::string> &data_lines,
                 int first_data_line, RawText &text);

// After the step: "NOTE: N records were read from the infile 'path'.", and whether lines longer
// than LRECL= were among them.
void note_infile_read(LogWriter &log, const InfileRequest &request, size_t records_read, bool cut);

} // namespace quill::host

#endif

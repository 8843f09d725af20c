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
    int line = 0;
};

// INFILE 'path' | fileref | DATALINES | CARDS <DLM=|DELIMITER='chars'> <DSD> <FIRSTOBS=n> <OBS=n|MAX>
// <MISSOVER|TRUNCOVER|FLOWOVER> <LRECL=n>; false when an error was logged.
bool parse_infile_statement(Session &session, const Statement &statement, InfileRequest &request);

// The lines of the INFILE's file; false when an error was logged (nothing is read then).
bool read_infile(Session &session, const InfileRequest &request, std::vector<std::string> &lines);
// `lines` (the first numbered `number_of_first`) in the range FIRSTOBS= and OBS= give.
RawText infile_range(const InfileRequest &request, const std::vector<std::string> &lines, int number_of_first);

// "NOTE: The infile 'path' is:" and its full name, once it is read.
void note_infile(LogWriter &log, const InfileRequest &request);
// After the step: "NOTE: N records were read from the infile 'path'."
void note_infile_read(LogWriter &log, const InfileRequest &request, size_t records_read);

} // namespace quill::host

#endif

// List INPUT: the variables the INPUT statement names and the values of raw lines, whether the
// data lines of the step or the lines of the file an INFILE statement names.
#ifndef QUILL_HOST_STEPS_DATA_STEP_DATALINES_INPUT_H
#define QUILL_HOST_STEPS_DATA_STEP_DATALINES_INPUT_H

#include <limits>
#include <memory>

#include "data/format.h"
#include "modules/session.h"
#include "steps/data_step/input_layout.h"
#include "steps/step.h"

namespace quill::host {

// What a line with fewer values than INPUT names does: Noted gives the rest missing with a
// note (what plain DATALINES has always done, and so the default of INFILE too); Flowover reads
// them from the next lines; Missover gives them missing without a note.
enum class ShortLines { Noted, Flowover, Missover };

// How the values of a line are separated.
struct RawLayout {
    std::string delimiters; // empty: blanks and tabs, or a comma with DSD
    bool dsd = false;       // quoted values, two delimiters in a row around a missing value
    ShortLines short_lines = ShortLines::Noted;
};

// The lines read and how they are named in messages.
struct RawText {
    const std::vector<std::string> *lines = nullptr;
    size_t first = 0, end = 0; // the lines read: [first, end)
    int number_of_first = 1;   // the line number of lines[0]
    std::string infile;        // the file as shown ('path'), empty for the data lines
};

// How many lines the observations took, for the note of the records read.
struct RawRecords {
    std::vector<size_t> lines_through; // lines read up to and including each observation
    size_t lines = 0;                  // every line of the range
    bool went_to_new_line = false;     // a short line was continued on the next (Flowover)
};

// The values of the lines; a text is cut to the longest the output's format stores. The INPUT
// statement's layout reads them (input_layout.h); a plain one, of list input only, reads them as
// they are split.
RawRecords read_raw_lines(Session &session, const RawText &text, const RawLayout &layout, size_t max_text_length,
                          const InputLayout &input, Table &table);
// The values of a line split as the layout says (exposed for tests).
std::vector<std::string> split_raw_line(const std::string &line, const RawLayout &layout);
// A data set held in memory, read as any other.
std::shared_ptr<const TableSource> table_source(Table table);

} // namespace quill::host

#endif

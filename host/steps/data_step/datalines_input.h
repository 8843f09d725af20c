// INPUT: the values of raw lines, whether the data lines of the step or the lines of the file an
// INFILE statement names, found as the INPUT statement's layout says (input_layout.h) and read
// as a data set whose observations are made from the lines as the step reads them.
#ifndef QUILL_HOST_STEPS_DATA_STEP_DATALINES_INPUT_H
#define QUILL_HOST_STEPS_DATA_STEP_DATALINES_INPUT_H

#include <functional>
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

// One line at a time: the step's data lines, or the lines of the file INFILE names.
class RecordStream {
public:
    virtual ~RecordStream() = default;
    // The next line, cut to the longest a record may be (`cut` when it was longer); false at the
    // end, or with `error` when the rest cannot be read.
    virtual bool next(std::string &line, bool &cut, std::string &error) = 0;
};

// The lines read and how they are named in messages.
struct RawText {
    // A new pass over the lines from the first; nullptr with `error` when it cannot start.
    std::function<std::unique_ptr<RecordStream>(std::string &error)> open;
    size_t first = 0, end = std::numeric_limits<size_t>::max(); // the lines read: [first, end)
    int number_of_first = 1;   // the line number of the first line
    std::string infile;        // the file as shown ('path'), empty for the data lines
};

// How far the step's pass has gone: the lines read up to the end of each of the latest
// observations (the step asks only about the last one it took, which the pass may be one ahead of).
struct RawProgress {
    static constexpr long long kept = 4;
    size_t lines_through[kept] = {};
    long long observations = 0;
};

// What the lines held, for the notes after the step.
struct RawRecords {
    static constexpr size_t none = std::numeric_limits<size_t>::max();
    size_t lines = 0;                  // every line of the range
    bool went_to_new_line = false;     // a short line was continued on the next (Flowover)
    size_t first_cut = none;           // the first line of the range cut to LRECL=, counted from 0
    std::shared_ptr<RawProgress> progress = std::make_shared<RawProgress>();
    // The lines read up to and including the `observations`-th observation the step took.
    size_t lines_through(long long observations) const;
};

// Reads the lines once for the notes about their values, the observation count and the lengths
// of the character columns of `table` (a text is cut to the longest the output's format stores),
// and gives the data set that reads the lines again, an observation at a time, as the step asks
// for them: no more than a line and an observation are held. The INPUT statement's layout
// (input_layout.h) finds the values. nullptr when an error was logged.
std::shared_ptr<const TableSource> raw_input_source(Session &session, const RawText &text, const RawLayout &layout,
                                                   const InputLayout &input, size_t max_text_length, const Table &table,
                                                   RawRecords &records);
// The values of a line split as the layout says, at most `most` of them (exposed for tests).
std::vector<std::string> split_raw_line(const std::string &line, const RawLayout &layout,
                                        size_t most = std::numeric_limits<size_t>::max());

} // namespace quill::host

#endif

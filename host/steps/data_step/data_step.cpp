// The DATA step from end to end: compiled (step_compiler.cpp), run an iteration at a time
// (step_runner.h), then the notes about the whole run (missing values made, conversions, the
// records INPUT read, the observations read). The outputs are committed only when the step ends
// without an error; otherwise the data sets of their names stay as they were.
#include <string>
#include <utility>
#include <vector>

#include "steps/data_step/data_step.h"
#include "steps/data_step/step_program.h"
#include "steps/data_step/step_runner.h"

namespace quill::host {
namespace {

void place_notes(LogWriter &log, const std::vector<Place> &places)
{
    auto list = [&](const char *head, long Place::*count) {
        bool any = false;
        for (const Place &p : places)
            any = any || p.*count > 0;
        if (!any)
            return;
        log.note(head);
        log.plain("      Each place is given by: (Number of times) at (Line):(Column).");
        for (const Place &p : places)
            if (p.*count > 0)
                log.plain("      " + std::to_string(p.*count) + " at " + std::to_string(p.line) + ":" +
                          std::to_string(p.column));
    };
    list("Missing values were generated as a result of performing an operation on missing values.", &Place::missing);
    list("Mathematical operations could not be performed at the following places. The results of the operations "
         "have been set to missing values.",
         &Place::failed);
}

void conversion_notes(LogWriter &log, const std::vector<std::pair<int, int>> &places, const char *what)
{
    if (places.empty())
        return;
    log.note(std::string(what) + " values have been converted to " +
             (what[0] == 'C' ? "numeric" : "character") + " values at the places given by: (Line):(Column).");
    std::string line = "     ";
    for (const auto &[l, c] : places)
        line.append(" ").append(std::to_string(l)).append(":").append(std::to_string(c));
    log.plain(line);
}

// The records INPUT read (the lines its observations took, all of them once it read past the
// last) and whether short lines were continued on the next.
void raw_input_notes(LogWriter &log, const StepProgram &program)
{
    const Reader::Input &in = program.readers[static_cast<size_t>(program.input_reader)].inputs.front();
    const RawRecords &records = program.records;
    const size_t read = in.ended ? records.lines : records.lines_through(in.read);
    if (program.infile)
        note_infile_read(log, *program.infile, read, records.first_cut < read);
    if (records.went_to_new_line)
        log.note("SAS went to a new line when INPUT statement reached past the end of a line.");
}

} // namespace

void run_data_step(Session &session, const Step &step)
{
    StepProgram program;
    if (!compile_step(session, step, program))
        return;
    conversion_notes(session.log, program.expressions.to_number_places(), "Character");
    conversion_notes(session.log, program.expressions.to_text_places(), "Numeric");
    StepRunner runner(session, program);
    const bool ran = runner.run();
    place_notes(session.log, program.expressions.places());
    if (program.input_reader >= 0)
        raw_input_notes(session.log, program);
    if (!ran) {
        runner.discard();
        return;
    }
    for (size_t k = 0; k < program.readers.size(); ++k)
        for (const Reader::Input &in : program.readers[k].inputs)
            if (static_cast<int>(k) != program.input_reader)
                note_observations_read(session.log, in.read, in.ref, program.where);
    runner.commit();
}

} // namespace quill::host

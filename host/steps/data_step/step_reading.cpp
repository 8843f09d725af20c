// The DATA step taking observations: SET and INPUT one data set after another, looking one
// observation ahead so that END= knows the last; SET with BY and MERGE through grouped_reading.h.
#include "steps/data_step/grouped_reading.h"
#include "steps/data_step/step_runner.h"

namespace quill::host {

// Reads the next observation of a SET or INPUT; false at the end of the last data set.
bool StepRunner::fetch(Reader &r, int at, int &input, int &buffer, std::string &error, bool &failed)
{
    while (at < static_cast<int>(r.inputs.size())) {
        Reader::Input &in = r.inputs[static_cast<size_t>(at)];
        if (!start_input(in, error)) {
            failed = true;
            return false;
        }
        if (!in.ended) {
            const int spare = 1 - in.current;
            switch (in.cursor->next(in.rows[spare], error)) {
            case RowCursor::Step::Row:
                input = at;
                buffer = spare;
                return true;
            case RowCursor::Step::Failed: failed = true; return false;
            case RowCursor::Step::End: in.ended = true; in.cursor.reset(); break;
            }
        }
        ++at;
    }
    return false;
}

StepFlow StepRunner::read(Reader &r)
{
    std::string error;
    if (r.grouped())
        return read_by_groups(r);
    bool failed = false;
    if (!r.primed) {
        r.primed = true;
        if (!fetch(r, 0, r.next_input, r.next_buffer, error, failed))
            r.next_input = -1;
    }
    if (failed)
        return fail_read(error);
    if (r.next_input < 0)
        return StepFlow::EndOfData;
    const int input = r.next_input;
    Reader::Input &in = r.inputs[static_cast<size_t>(input)];
    in.current = r.next_buffer;
    ++in.read;
    ++reads_this_time_;
    if (input != r.last_input && r.last_input >= 0)
        for (int slot : r.slots) // a new data set: its variables start missing
            set_missing(values_, slot);
    r.last_input = input;
    for (size_t k = 0; k < r.inputs.size(); ++k)
        if (r.inputs[k].in_slot >= 0)
            values_.numbers[static_cast<size_t>(r.inputs[k].in_slot)] = static_cast<int>(k) == input;
    load_current_row(in, p_.pdv, values_);
    // Look ahead, so that END= knows whether this was the last observation.
    if (!fetch(r, input, r.next_input, r.next_buffer, error, failed))
        r.next_input = -1;
    if (failed)
        return fail_read(error);
    if (r.end_slot >= 0)
        values_.numbers[static_cast<size_t>(r.end_slot)] = r.next_input < 0 ? 1 : 0;
    return StepFlow::Next;
}

// SET with BY and MERGE; data out of BY order stop the step with the observation's values.
StepFlow StepRunner::read_by_groups(Reader &r)
{
    std::string error;
    switch (read_grouped(r, p_.pdv, values_, session_.log, error)) {
    case GroupedRead::Row: ++reads_this_time_; return StepFlow::Next;
    case GroupedRead::End: return StepFlow::EndOfData;
    case GroupedRead::Failed: break;
    case GroupedRead::Unsorted:
        values_.numbers[static_cast<size_t>(p_.error_slot)] = 1;
        session_.log.error(error);
        session_.log.plain(values_line());
        return StepFlow::Failed;
    }
    return fail_read(error);
}

StepFlow StepRunner::fail_read(const std::string &error)
{
    fail(error);
    return StepFlow::Failed;
}

} // namespace quill::host

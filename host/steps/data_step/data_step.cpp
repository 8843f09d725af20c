// The DATA step runs its compiled statements once per iteration: _N_ counts the iterations, the
// variables that are not retained start each one missing, SET reads the next observation (the
// step ends when it reads past the last), and an iteration that ends normally writes the
// observation to every output data set unless the step has OUTPUT statements. The outputs are
// committed only when the step ends without an error; otherwise the data sets of their names stay
// as they were.
#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "base/message_text.h"
#include "base/names.h"
#include "base/number_text.h"
#include "data/output_dataset.h"
#include "language/format_statement.h"
#include "language/output_options.h"
#include "steps/data_step/call_routines.h"
#include "steps/data_step/grouped_reading.h"
#include "steps/data_step/data_step.h"
#include "steps/data_step/step_program.h"

namespace quill::host {
namespace {

// DO loop passes in one iteration: more is a hang. A simulation makes 10⁷ passes and more in
// one iteration (1000 replicates of 10⁴ draws), so the limit is far above that: a loop that never
// ends is stopped within a minute or two. The fuzz build, whose sanitizers make a pass twenty
// times slower, stops sooner, so that a loop the fuzzer writes is not taken for a hang.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr long long max_loop_iterations = 100'000;
#else
constexpr long long max_loop_iterations = 1'000'000'000;
#endif
constexpr int max_logged_observations = 20;            // observations whose notes are shown

enum class Flow { Next, Delete, Stop, EndOfData, Leave, Continue, Return, Failed };

class StepRunner {
public:
    StepRunner(Session &session, StepProgram &program) : session_(session), p_(program), values_(program.pdv.values) {}

    bool run()
    {
        if (!create_outputs())
            return false;
        reset_all();
        const bool reads = !p_.readers.empty();
        for (long long n = 1;; ++n) {
            values_.numbers[static_cast<size_t>(p_.n_slot)] = static_cast<double>(n);
            values_.numbers[static_cast<size_t>(p_.error_slot)] = 0;
            reads_this_time_ = 0;
            loop_passes_ = 0;
            Flow flow = Flow::Next;
            for (int s : p_.top) {
                flow = exec(s);
                if (flow != Flow::Next)
                    break;
            }
            report_events();
            if (flow == Flow::Failed)
                return false;
            if (flow == Flow::EndOfData)
                break;
            if ((flow == Flow::Next || flow == Flow::Return) && !p_.has_output_statement)
                if (!write_all())
                    return false;
            if (flow == Flow::Stop || !reads)
                break;
            if (reads_this_time_ == 0) {
                session_.log.note("DATA STEP stopped due to looping.");
                break;
            }
            reset_iteration();
        }
        return true;
    }

    bool commit()
    {
        for (size_t k = 0; k < outs_.size(); ++k)
            if (!outs_[k]->commit())
                return false;
        return true;
    }

    void discard()
    {
        for (auto &out : outs_)
            out->discard();
    }

private:
    bool create_outputs()
    {
        for (StepOutput &out : p_.outputs) {
            // KEEP=, DROP= and RENAME= made out.variables; WHERE= and LABEL= act as it is written.
            DatasetReference written;
            written.name = out.ref.name;
            written.where = out.ref.where;
            written.label = out.ref.label;
            outs_.push_back(make_output(session_.library, session_.log, written));
            if (!outs_.back()->create(out.variables))
                return false;
            rows_.emplace_back();
            rows_.back().resize(out.variables.size());
        }
        return true;
    }

    void reset_all()
    {
        const Pdv &pdv = p_.pdv;
        for (size_t i = 0; i < pdv.variables.size(); ++i) {
            values_.numbers[i] = pdv.initial[i];
            values_.texts[i] = pdv.initial_text[i];
        }
    }

    void reset_iteration()
    {
        const Pdv &pdv = p_.pdv;
        for (size_t i = 0; i < pdv.variables.size(); ++i)
            if (!pdv.retained[i]) {
                values_.numbers[i] = missing_value();
                values_.texts[i].clear();
            }
    }

    bool write(size_t k)
    {
        Row &row = rows_[k];
        const StepOutput &out = p_.outputs[k];
        for (size_t c = 0; c < out.slots.size(); ++c) {
            const size_t slot = static_cast<size_t>(out.slots[c]);
            if (out.variables[c].type == VarType::Numeric)
                row.numbers[c] = values_.numbers[slot];
            else
                row.texts[c] = values_.texts[slot];
        }
        return outs_[k]->write(row);
    }

    bool write_all()
    {
        for (size_t k = 0; k < outs_.size(); ++k)
            if (!write(k))
                return false;
        return true;
    }

    void assign(int slot, int expr)
    {
        const size_t i = static_cast<size_t>(slot);
        const Variable &v = p_.pdv.variables[i];
        if (v.type == VarType::Numeric) {
            values_.numbers[i] = p_.expressions.number(expr, values_);
            return;
        }
        const std::string &value = p_.expressions.text(expr, values_);
        if (&value == &values_.texts[i])
            return;
        // Cut to the variable's length, as SAS does, but never inside a UTF-8 character.
        size_t n = utf8_prefix(value, v.length).size();
        while (n > 0 && value[n - 1] == ' ')
            --n;
        values_.texts[i].assign(value, 0, n);
    }

    bool fail(const std::string &message)
    {
        session_.log.error(message);
        return false;
    }

    // Reads the next observation of a SET or INPUT; false at the end of the last data set.
    bool fetch(Reader &r, int at, int &input, int &buffer, std::string &error, bool &failed)
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

    Flow read(Reader &r)
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
            return Flow::EndOfData;
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
        return Flow::Next;
    }

    // SET with BY and MERGE; data out of BY order stop the step with the observation's values.
    Flow read_by_groups(Reader &r)
    {
        std::string error;
        switch (read_grouped(r, p_.pdv, values_, session_.log, error)) {
        case GroupedRead::Row: ++reads_this_time_; return Flow::Next;
        case GroupedRead::End: return Flow::EndOfData;
        case GroupedRead::Failed: break;
        case GroupedRead::Unsorted:
            values_.numbers[static_cast<size_t>(p_.error_slot)] = 1;
            session_.log.error(error);
            session_.log.plain(values_line());
            return Flow::Failed;
        }
        return fail_read(error);
    }

    Flow fail_read(const std::string &error)
    {
        fail(error);
        return Flow::Failed;
    }

    Flow block(const std::vector<int> &children)
    {
        for (int c : children) {
            const Flow f = exec(c);
            if (f != Flow::Next)
                return f;
        }
        return Flow::Next;
    }

    Flow loop_limit(const Stmt &s)
    {
        fail(at_place("The DO loops of one iteration of the step ran " + std::to_string(max_loop_iterations) +
                          " passes without ending; the step is stopped. The loop begins",
                      s.at));
        return Flow::Failed;
    }

    // The body of a loop once: what the loop does next.
    bool body(const Stmt &s, Flow &flow)
    {
        if (p_.expressions.halted()) { // in the loop's condition
            flow = halt();
            return false;
        }
        flow = block(s.children);
        if (flow == Flow::Continue)
            flow = Flow::Next;
        if (flow == Flow::Leave) {
            flow = Flow::Next;
            return false;
        }
        return flow == Flow::Next;
    }

    // An iterative DO: its items one after another; LEAVE, or a flow that leaves the loop, ends
    // them all, a WHILE or UNTIL only its own item.
    Flow do_range(const Stmt &s)
    {
        for (const DoItem &item : s.items) {
            Flow flow = Flow::Next;
            if (!do_item(s, item, flow))
                return flow;
        }
        return Flow::Next;
    }

    enum class Pass { Again, ItemDone, LoopDone };

    // One item of the list; false when the whole loop ends here, with the flow it ends with.
    bool do_item(const Stmt &s, const DoItem &item, Flow &flow)
    {
        if (item.stop < 0) { // a single value: one pass
            const auto slot = static_cast<size_t>(s.target);
            if (p_.pdv.variables[slot].type == VarType::Character)
                values_.texts[slot] = p_.expressions.text(item.start, values_);
            else
                values_.numbers[slot] = p_.expressions.number(item.start, values_);
            return pass(s, item, flow) != Pass::LoopDone;
        }
        double &index = values_.numbers[static_cast<size_t>(s.target)];
        const double start = p_.expressions.number(item.start, values_);
        const double stop = p_.expressions.number(item.stop, values_);
        const double by = item.by >= 0 ? p_.expressions.number(item.by, values_) : 1;
        if (p_.expressions.halted())
            return false; // exec reports the subscript
        if (is_missing(start) || is_missing(stop) || is_missing(by) || by == 0) {
            fail(at_place(std::string("The ") + (is_missing(start) ? "start" : is_missing(stop) ? "stop" : "BY") +
                              " value of the DO loop is " + (by == 0 ? "zero" : "missing"),
                          s.at));
            flow = Flow::Failed;
            return false;
        }
        for (index = start; by > 0 ? index <= stop : index >= stop; index += by)
            if (const Pass next = pass(s, item, flow); next != Pass::Again)
                return next == Pass::ItemDone;
        return true;
    }

    // One pass of the body under the item's WHILE (before) or UNTIL (after); the index keeps
    // its value when the condition ends the item.
    Pass pass(const Stmt &s, const DoItem &item, Flow &flow)
    {
        if (item.condition >= 0 && !item.until && !p_.expressions.truth(item.condition, values_))
            return Pass::ItemDone;
        if (++loop_passes_ > max_loop_iterations) {
            flow = loop_limit(s);
            return Pass::LoopDone;
        }
        if (!body(s, flow))
            return Pass::LoopDone;
        if (item.condition >= 0 && item.until && p_.expressions.truth(item.condition, values_))
            return Pass::ItemDone;
        return Pass::Again;
    }

    // A statement; a subscript out of range anywhere in it stops the step.
    Flow exec(int index)
    {
        const Flow flow = exec_statement(index);
        return p_.expressions.halted() ? halt() : flow;
    }

    Flow halt()
    {
        values_.numbers[static_cast<size_t>(p_.error_slot)] = 1;
        session_.log.error(p_.expressions.take_halt());
        session_.log.plain(values_line());
        return Flow::Failed;
    }

    Flow exec_statement(int index)
    {
        const Stmt &s = p_.statements[static_cast<size_t>(index)];
        switch (s.kind) {
        case StmtKind::Nothing: return Flow::Next;
        case StmtKind::Assign:
            if (s.element >= 0) {
                const int slot = p_.expressions.element_slot(s.element, values_);
                if (slot >= 0)
                    assign(slot, s.expr);
                return Flow::Next;
            }
            assign(s.target, s.expr);
            return Flow::Next;
        case StmtKind::Sum: {
            const int slot = s.element >= 0 ? p_.expressions.element_slot(s.element, values_) : s.target;
            if (slot < 0)
                return Flow::Next;
            const double x = p_.expressions.number(s.expr, values_);
            double &total = values_.numbers[static_cast<size_t>(slot)];
            if (!is_missing(x))
                total = is_missing(total) ? x : total + x;
            return Flow::Next;
        }
        case StmtKind::If:
            // A chain of ELSE IF is walked here, not recursed into.
            for (const Stmt *link = &s;;) {
                if (p_.expressions.truth(link->expr, values_))
                    return exec(link->then_branch);
                if (link->else_branch < 0)
                    return Flow::Next;
                const Stmt &next = p_.statements[static_cast<size_t>(link->else_branch)];
                if (next.kind != StmtKind::If)
                    return exec(link->else_branch);
                link = &next;
            }
        case StmtKind::SubsetIf: return p_.expressions.truth(s.expr, values_) ? Flow::Next : Flow::Delete;
        case StmtKind::Block: return block(s.children);
        case StmtKind::DoRange: return do_range(s);
        case StmtKind::DoWhile:
        case StmtKind::DoUntil: {
            Flow flow = Flow::Next;
            for (;;) {
                if (s.kind == StmtKind::DoWhile && !p_.expressions.truth(s.expr, values_))
                    return Flow::Next;
                if (++loop_passes_ > max_loop_iterations)
                    return loop_limit(s);
                if (!body(s, flow))
                    return flow;
                if (s.kind == StmtKind::DoUntil && p_.expressions.truth(s.expr, values_))
                    return Flow::Next;
            }
        }
        case StmtKind::Select: {
            for (size_t w = 0; w < s.when_values.size(); ++w)
                for (int value : s.when_values[w]) {
                    const bool hit = s.expr < 0 ? p_.expressions.truth(value, values_) : equal(s.expr, value);
                    if (hit)
                        return exec(s.children[w]);
                }
            if (s.else_branch >= 0)
                return exec(s.else_branch);
            fail(at_place("No WHEN of the SELECT group matched and it has no OTHERWISE", s.at));
            return Flow::Failed;
        }
        case StmtKind::Output:
            if (s.outputs.empty())
                return write_all() ? Flow::Next : Flow::Failed;
            for (int k : s.outputs)
                if (!write(static_cast<size_t>(k)))
                    return Flow::Failed;
            return Flow::Next;
        case StmtKind::Delete: return Flow::Delete;
        case StmtKind::Stop: return Flow::Stop;
        case StmtKind::Leave: return Flow::Leave;
        case StmtKind::Continue: return Flow::Continue;
        case StmtKind::Return: return Flow::Return;
        case StmtKind::Read: return read(p_.readers[static_cast<size_t>(s.reader)]);
        case StmtKind::Call: {
            if (s.routine != CallRoutine::Symput && s.routine != CallRoutine::Symputx) {
                run_call_routine(p_.expressions, values_, s);
                return Flow::Next;
            }
            // A failing CALL is shown once, with the values of its first observation.
            const std::string failure = run_symput(session_.macro_symbols, p_.expressions, values_, s);
            if (!failure.empty() && reported_.insert(&s).second) {
                session_.log.error(failure);
                session_.log.plain(values_line());
            }
            return Flow::Next;
        }
        case StmtKind::Put: {
            const std::vector<std::string> lines =
                put_lines(p_.puts[static_cast<size_t>(s.put)], p_.expressions, values_,
                          {&p_.pdv.variables, &p_.pdv.automatic, &p_.pdv.shown, p_.error_slot, p_.n_slot,
                           &p_.shown_formats});
            if (!p_.expressions.halted()) // exec reports the subscript; nothing is written
                for (const std::string &line : lines)
                    session_.log.plain(line);
            return Flow::Next;
        }
        }
        return Flow::Next;
    }

    bool equal(int a, int b) const
    {
        if (p_.expressions.type(a) == VarType::Character) {
            std::string_view x = p_.expressions.text(a, values_), y = p_.expressions.text(b, values_);
            while (!x.empty() && x.back() == ' ')
                x.remove_suffix(1);
            while (!y.empty() && y.back() == ' ')
                y.remove_suffix(1);
            return x == y;
        }
        const double x = p_.expressions.number(a, values_), y = p_.expressions.number(b, values_);
        return x == y || (is_missing(x) && is_missing(y));
    }

    // The values of the observation, as the notes about it show them.
    std::string values_line() const
    {
        std::string line;
        const Pdv &pdv = p_.pdv;
        for (const bool automatic : {false, true}) // IN=, FIRST. and LAST. after the others
            for (size_t i = 0; i < pdv.variables.size(); ++i) {
                if (automatic ? !pdv.shown[i] : pdv.automatic[i])
                    continue;
                line.append(pdv.variables[i].name).append("=");
                line.append(shown_value(pdv.variables[i], p_.shown_formats[i], values_.numbers[i], values_.texts[i]));
                line.append(" ");
            }
        line.append("_ERROR_=1 _N_=").append(best_text(values_.numbers[static_cast<size_t>(p_.n_slot)]));
        return excerpt(line, 1000);
    }

    // The notes of this iteration (division by zero, invalid arguments) with its values.
    void report_events()
    {
        std::vector<EvalEvent> &events = p_.expressions.events();
        if (events.empty())
            return;
        values_.numbers[static_cast<size_t>(p_.error_slot)] = 1;
        for (const EvalEvent &e : events)
            session_.log.note(e.text);
        events.clear();
        session_.log.plain(values_line());
        if (++logged_ == max_logged_observations) {
            session_.log.warning("Limit set by ERRORS= option reached.  Further errors of this type will not be printed.");
            p_.expressions.set_event_limit(0);
        }
    }

    Session &session_;
    std::unordered_set<const Stmt *> reported_; // CALL statements whose failure was shown with the values
    StepProgram &p_;
    Row &values_;
    std::vector<std::unique_ptr<OutputDataset>> outs_;
    std::vector<Row> rows_;
    long long reads_this_time_ = 0;
    long long loop_passes_ = 0; // DO loop passes in this iteration
    int logged_ = 0;
};

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

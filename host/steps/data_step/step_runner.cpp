// The iterations of the DATA step: _N_ counts them, the variables that are not retained start
// each one missing, and one that ends normally writes the observation to every output data set
// unless the step has OUTPUT statements; then the statements one by one, and the notes about an
// iteration's values.
#include "base/message_text.h"
#include "base/names.h"
#include "base/number_text.h"
#include "language/format_statement.h"
#include "language/output_options.h"
#include "steps/data_step/call_routines.h"
#include "steps/data_step/step_runner.h"

namespace quill::host {
namespace {

constexpr int max_logged_observations = 20; // observations whose notes are shown

} // namespace

bool StepRunner::run()
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
        StepFlow flow = StepFlow::Next;
        for (int s : p_.top) {
            flow = exec(s);
            if (flow != StepFlow::Next)
                break;
        }
        report_events();
        if (flow == StepFlow::Failed)
            return false;
        if (flow == StepFlow::EndOfData)
            break;
        if ((flow == StepFlow::Next || flow == StepFlow::Return) && !p_.has_output_statement)
            if (!write_all())
                return false;
        if (flow == StepFlow::Stop || !reads)
            break;
        if (reads_this_time_ == 0) {
            session_.log.note("DATA STEP stopped due to looping.");
            break;
        }
        reset_iteration();
    }
    return true;
}

bool StepRunner::commit()
{
    for (size_t k = 0; k < outs_.size(); ++k)
        if (!outs_[k]->commit())
            return false;
    return true;
}

void StepRunner::discard()
{
    for (auto &out : outs_)
        out->discard();
}

bool StepRunner::create_outputs()
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

void StepRunner::reset_all()
{
    const Pdv &pdv = p_.pdv;
    for (size_t i = 0; i < pdv.variables.size(); ++i) {
        values_.numbers[i] = pdv.initial[i];
        values_.texts[i] = pdv.initial_text[i];
    }
}

void StepRunner::reset_iteration()
{
    const Pdv &pdv = p_.pdv;
    for (size_t i = 0; i < pdv.variables.size(); ++i)
        if (!pdv.retained[i]) {
            values_.numbers[i] = missing_value();
            values_.texts[i].clear();
        }
}

bool StepRunner::write(size_t k)
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

bool StepRunner::write_all()
{
    for (size_t k = 0; k < outs_.size(); ++k)
        if (!write(k))
            return false;
    return true;
}

void StepRunner::assign(int slot, int expr)
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

bool StepRunner::fail(const std::string &message)
{
    session_.log.error(message);
    return false;
}

// A statement; a subscript out of range anywhere in it stops the step.
StepFlow StepRunner::exec(int index)
{
    const StepFlow flow = exec_statement(index);
    return p_.expressions.halted() ? halt() : flow;
}

StepFlow StepRunner::halt()
{
    values_.numbers[static_cast<size_t>(p_.error_slot)] = 1;
    session_.log.error(p_.expressions.take_halt());
    session_.log.plain(values_line());
    return StepFlow::Failed;
}

StepFlow StepRunner::exec_statement(int index)
{
    const Stmt &s = p_.statements[static_cast<size_t>(index)];
    switch (s.kind) {
    case StmtKind::Nothing: return StepFlow::Next;
    case StmtKind::Assign:
        if (s.element >= 0) {
            const int slot = p_.expressions.element_slot(s.element, values_);
            if (slot >= 0)
                assign(slot, s.expr);
            return StepFlow::Next;
        }
        assign(s.target, s.expr);
        return StepFlow::Next;
    case StmtKind::Sum: {
        const int slot = s.element >= 0 ? p_.expressions.element_slot(s.element, values_) : s.target;
        if (slot < 0)
            return StepFlow::Next;
        const double x = p_.expressions.number(s.expr, values_);
        double &total = values_.numbers[static_cast<size_t>(slot)];
        if (!is_missing(x))
            total = is_missing(total) ? x : total + x;
        return StepFlow::Next;
    }
    case StmtKind::If:
        // A chain of ELSE IF is walked here, not recursed into.
        for (const Stmt *link = &s;;) {
            if (p_.expressions.truth(link->expr, values_))
                return exec(link->then_branch);
            if (link->else_branch < 0)
                return StepFlow::Next;
            const Stmt &next = p_.statements[static_cast<size_t>(link->else_branch)];
            if (next.kind != StmtKind::If)
                return exec(link->else_branch);
            link = &next;
        }
    case StmtKind::SubsetIf: return p_.expressions.truth(s.expr, values_) ? StepFlow::Next : StepFlow::Delete;
    case StmtKind::Block: return block(s.children);
    case StmtKind::DoRange: return do_range(s);
    case StmtKind::DoWhile:
    case StmtKind::DoUntil: return do_conditional(s);
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
        return StepFlow::Failed;
    }
    case StmtKind::Output:
        if (s.outputs.empty())
            return write_all() ? StepFlow::Next : StepFlow::Failed;
        for (int k : s.outputs)
            if (!write(static_cast<size_t>(k)))
                return StepFlow::Failed;
        return StepFlow::Next;
    case StmtKind::Delete: return StepFlow::Delete;
    case StmtKind::Stop: return StepFlow::Stop;
    case StmtKind::Leave: return StepFlow::Leave;
    case StmtKind::Continue: return StepFlow::Continue;
    case StmtKind::Return: return StepFlow::Return;
    case StmtKind::Read: return read(p_.readers[static_cast<size_t>(s.reader)]);
    case StmtKind::Call: return call(s);
    case StmtKind::Put: return put(s);
    }
    return StepFlow::Next;
}

StepFlow StepRunner::call(const Stmt &s)
{
    if (s.routine != CallRoutine::Symput && s.routine != CallRoutine::Symputx) {
        run_call_routine(p_.expressions, values_, s);
        return StepFlow::Next;
    }
    // A failing CALL is shown once, with the values of its first observation.
    const std::string failure = run_symput(session_.macro_symbols, p_.expressions, values_, s);
    if (!failure.empty() && reported_.insert(&s).second) {
        session_.log.error(failure);
        session_.log.plain(values_line());
    }
    return StepFlow::Next;
}

StepFlow StepRunner::put(const Stmt &s)
{
    const std::vector<std::string> lines =
        put_lines(p_.puts[static_cast<size_t>(s.put)], p_.expressions, values_,
                  {&p_.pdv.variables, &p_.pdv.automatic, &p_.pdv.shown, p_.error_slot, p_.n_slot,
                   &p_.shown_formats});
    if (!p_.expressions.halted()) // exec reports the subscript; nothing is written
        for (const std::string &line : lines)
            session_.log.plain(line);
    return StepFlow::Next;
}

bool StepRunner::equal(int a, int b) const
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
std::string StepRunner::values_line() const
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
void StepRunner::report_events()
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

} // namespace quill::host

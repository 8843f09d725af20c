// The program data vector: its variables, and, once the statements are read, settled in one place:
// labels applied, each output data set's variables by the KEEP, DROP and RENAME statements and
// options, a note for each variable never given a value, the values sized, the formats PUT
// writes with parsed.
#include <algorithm>

#include "base/names.h"
#include "language/dataset_reference.h"
#include "language/expression.h"
#include "language/format_statement.h"
#include "language/variable_lists.h"
#include "steps/data_step/step_program.h"

namespace quill::host {

int Pdv::find(const std::string &name) const
{
    const auto it = slots.find(upper_case(name));
    return it == slots.end() ? -1 : it->second;
}

int Pdv::add(const std::string &name, VarType type, size_t length)
{
    Variable v;
    v.name = name;
    v.type = type;
    v.length = type == VarType::Numeric ? number_length : std::max<size_t>(1, length);
    variables.push_back(std::move(v));
    retained.push_back(0);
    automatic.push_back(0);
    shown.push_back(0);
    assigned.push_back(0);
    initial.push_back(missing_value());
    initial_text.emplace_back();
    const int slot = static_cast<int>(variables.size()) - 1;
    slots.emplace(upper_case(name), slot);
    return slot;
}

int Pdv::add_automatic(const std::string &name)
{
    const int slot = add(name, VarType::Numeric, number_length);
    automatic[static_cast<size_t>(slot)] = 1;
    retained[static_cast<size_t>(slot)] = 1;
    assigned[static_cast<size_t>(slot)] = 1;
    return slot;
}

namespace {

class Settlement {
public:
    Settlement(Session &session, const Step &step, StepProgram &program)
        : session_(session), at_(step.head.tokens.front()), p_(program)
    {
    }

    bool run()
    {
        for (const auto &[name, text] : p_.labels) {
            const int slot = p_.pdv.find(name.text);
            if (slot < 0)
                return fail("The variable " + name.text + " in the LABEL statement is not in the DATA step", name);
            p_.pdv.variables[static_cast<size_t>(slot)].label = text;
        }
        for (size_t i = 0; i < p_.pdv.variables.size(); ++i)
            if (!p_.pdv.automatic[i]) {
                writable_.push_back(p_.pdv.variables[i]);
                slots_.push_back(static_cast<int>(i));
            }
        drop_unreferenced(p_.keep);
        drop_unreferenced(p_.drop);
        std::vector<bool> kept(writable_.size(), !p_.has_keep);
        if ((p_.has_keep && !mark(p_.keep, kept, true)) || !mark(p_.drop, kept, false))
            return false;
        for (StepOutput &out : p_.outputs)
            if (!output_variables(out, kept))
                return false;
        for (size_t i = 0; i < p_.pdv.variables.size(); ++i)
            if (!p_.pdv.assigned[i] && !p_.pdv.automatic[i] && !p_.pdv.retained[i])
                session_.log.note("Variable " + p_.pdv.variables[i].name + " is uninitialized.");
        p_.pdv.values.resize(p_.pdv.variables.size());
        // The formats PUT writes the variables with, each parsed once.
        p_.formats.resize(p_.pdv.variables.size());
        p_.shown_formats.assign(p_.pdv.variables.size(), nullptr);
        for (size_t i = 0; i < p_.pdv.variables.size(); ++i)
            if (variable_format(p_.pdv.variables[i], &session_.formats, p_.formats[i]))
                p_.shown_formats[i] = &p_.formats[i];
        return true;
    }

private:
    bool fail(const std::string &message, const Token &at)
    {
        session_.log.error(at_place(message, at));
        return false;
    }

    // A plain name the step never uses is warned about and passed over, as SAS does.
    void drop_unreferenced(std::vector<Token> &list)
    {
        std::vector<Token> used;
        for (size_t k = 0; k < list.size(); ++k) {
            const Token &t = list[k];
            const bool in_range = (k > 0 && (is_punct(list[k - 1], '-'))) ||
                                  (k + 1 < list.size() && (is_punct(list[k + 1], '-') || is_punct(list[k + 1], ':')));
            if (t.kind == TokenKind::Name && !in_range && p_.pdv.find(t.text) < 0 && t.text[0] != '_') {
                session_.log.warning("The variable " + t.text + " in the DROP, KEEP, or RENAME list has never been referenced.");
                continue;
            }
            used.push_back(t);
        }
        list = std::move(used);
    }

    // Sets `kept` to `value` for the variables `list` names among the writable ones.
    bool mark(const std::vector<Token> &list, std::vector<bool> &kept, bool value)
    {
        std::vector<int> numbers;
        std::string message;
        if (!resolve_variable_list(list, writable_, numbers, message))
            return fail(message, at_);
        for (int n : numbers)
            kept[static_cast<size_t>(n - 1)] = value;
        return true;
    }

    // One output data set: what the KEEP and DROP statements keep, narrowed by its KEEP= and
    // DROP=, then renamed by the RENAME statement and its RENAME=, each naming the variables as
    // they stand.
    bool output_variables(StepOutput &out, const std::vector<bool> &kept)
    {
        std::vector<bool> here = kept;
        if (out.ref.has_keep) {
            std::vector<bool> listed(writable_.size(), false);
            if (!mark(out.ref.keep, listed, true))
                return false;
            for (size_t k = 0; k < here.size(); ++k)
                here[k] = here[k] && listed[k];
        }
        if (out.ref.has_drop && !mark(out.ref.drop, here, false))
            return false;
        for (size_t k = 0; k < writable_.size(); ++k)
            if (here[k]) {
                out.variables.push_back(writable_[k]);
                out.slots.push_back(slots_[k]);
            }
        std::vector<std::pair<Token, Token>> statement_renames;
        for (const auto &pair : p_.renames)
            for (const Variable &v : out.variables)
                if (same_name(v.name, pair.first.text))
                    statement_renames.push_back(pair);
        std::string message;
        if (!apply_renames(statement_renames, out.variables, message) ||
            !apply_renames(out.ref.renames, out.variables, message))
            return fail(message, at_);
        return true;
    }

    Session &session_;
    const Token &at_; // the DATA statement's, for messages about its lists
    StepProgram &p_;
    std::vector<Variable> writable_; // the variables an output may have, in PDV order
    std::vector<int> slots_;         // their slots
};

} // namespace

bool settle_program_data_vector(Session &session, const Step &step, StepProgram &program)
{
    return Settlement(session, step, program).run();
}

} // namespace quill::host

// The program data vector: its variables, and what the output data sets take of them.
#include <algorithm>

#include "base/message_text.h"
#include "base/names.h"
#include "language/dataset_reference.h"
#include "language/variable_lists.h"
#include "steps/data_step/compiler.h"
#include "steps/data_step/datalines_input.h"
#include "steps/data_step/infile_statement.h"

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

// The variables of each output data set, by the KEEP, DROP and RENAME statements and options.
bool Compiler::resolve_outputs()
{
    for (const auto &[name, text] : labels_) {
        const int slot = p_.pdv.find(name.text);
        if (slot < 0)
            return error("The variable " + name.text + " in the LABEL statement is not in the DATA step", name);
        p_.pdv.variables[static_cast<size_t>(slot)].label = text;
    }
    std::vector<Variable> writable;
    std::vector<int> slots;
    for (size_t i = 0; i < p_.pdv.variables.size(); ++i)
        if (!p_.pdv.automatic[i]) {
            writable.push_back(p_.pdv.variables[i]);
            slots.push_back(static_cast<int>(i));
        }
    // A plain name the step never uses is warned about and passed over, as SAS does.
    auto never_referenced = [&](std::vector<Token> &list) {
        std::vector<Token> used;
        for (size_t k = 0; k < list.size(); ++k) {
            const Token &t = list[k];
            const bool in_range = (k > 0 && (is_punct(list[k - 1], '-'))) ||
                                  (k + 1 < list.size() && (is_punct(list[k + 1], '-') || is_punct(list[k + 1], ':')));
            if (t.kind == TokenKind::Name && !in_range && p_.pdv.find(t.text) < 0 && t.text[0] != '_') {
                session_.log.warning("The variable " + t.text +
                                     " in the DROP, KEEP, or RENAME list has never been referenced.");
                continue;
            }
            used.push_back(t);
        }
        list = std::move(used);
    };
    never_referenced(p_.keep);
    never_referenced(p_.drop);
    std::string message;
    std::vector<bool> kept(writable.size(), !p_.has_keep);
    std::vector<int> numbers;
    if (p_.has_keep && !resolve_variable_list(p_.keep, writable, numbers, message))
        return error(message, step_.head.tokens.front());
    for (int n : numbers)
        kept[static_cast<size_t>(n - 1)] = true;
    numbers.clear();
    if (!resolve_variable_list(p_.drop, writable, numbers, message))
        return error(message, step_.head.tokens.front());
    for (int n : numbers)
        kept[static_cast<size_t>(n - 1)] = false;
    for (StepOutput &out : p_.outputs) {
        std::vector<bool> here = kept;
        if (out.ref.has_keep) {
            std::fill(here.begin(), here.end(), false);
            numbers.clear();
            if (!resolve_variable_list(out.ref.keep, writable, numbers, message))
                return error(message, step_.head.tokens.front());
            for (int n : numbers)
                here[static_cast<size_t>(n - 1)] = kept[static_cast<size_t>(n - 1)];
        }
        numbers.clear();
        if (out.ref.has_drop && !resolve_variable_list(out.ref.drop, writable, numbers, message))
            return error(message, step_.head.tokens.front());
        for (int n : numbers)
            here[static_cast<size_t>(n - 1)] = false;
        for (size_t k = 0; k < writable.size(); ++k)
            if (here[k]) {
                out.variables.push_back(writable[k]);
                out.slots.push_back(slots[k]);
            }
        // RENAME statement then RENAME= option, each naming the variables as they stand.
        std::vector<std::pair<Token, Token>> statement_renames;
        for (const auto &pair : p_.renames)
            for (const Variable &v : out.variables)
                if (same_name(v.name, pair.first.text))
                    statement_renames.push_back(pair);
        if (!apply_renames(statement_renames, out.variables, message) ||
            !apply_renames(out.ref.renames, out.variables, message))
            return error(message, step_.head.tokens.front());
    }
    return true;
}

} // namespace quill::host

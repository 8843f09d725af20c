#include "modules/statement_actions.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/message_text.h"
#include "base/names.h"
#include "language/dataset_reference.h"
#include "language/statement_parser.h"
#include "language/variable_lists.h"

namespace quill::host {
namespace {

class StatementActions {
public:
    StatementActions(const qh_grammar &g, RunContext &run, const std::vector<MatchedAction> &matched)
        : g_(g), run_(run), tokens_(run.step_tokens()), matched_(matched)
    {
    }

private:
    int line_at(size_t token) const
    {
        return token < tokens_.size() ? tokens_[token].line : run_.step_line();
    }

    bool error_at(size_t token, const std::string &message)
    {
        const int line = line_at(token);
        // A message that already names its place (a FORMAT statement's) keeps it.
        if (message.find(" (line ") != std::string::npos || message.find(" at line ") != std::string::npos) {
            run_.log().error(message);
            return false;
        }
        std::string text = message;
        if (!text.empty() && text.back() == '.')
            text.pop_back();
        run_.log().error(text + " (line " + std::to_string(line) + ").");
        return false;
    }

    qh_param *slot_of(const qh_action &a, qh_statement *current, qh_statement *proc, size_t token)
    {
        qh_statement *rec = a.target == QH_TARGET_PROC ? proc : current;
        if (!rec) {
            error_at(token, "The grammar of procedure " + run_.proc_name() + " stores a value before it starts a record.");
            return nullptr;
        }
        if (a.slot < 1 || a.slot > rec->slot_count) {
            error_at(token, "The grammar of procedure " + run_.proc_name() + " stores into slot " +
                                std::to_string(a.slot) + " of a record with " + std::to_string(rec->slot_count) +
                                " slots.");
            return nullptr;
        }
        return &rec->slots[a.slot - 1];
    }

    bool store_number(qh_param &slot, const MatchedAction &p)
    {
        size_t i = p.begin;
        double sign = 1;
        if (i + 1 < p.end && is_punct(tokens_[i], '-')) {
            sign = -1;
            ++i;
        }
        if (i + 1 != p.end)
            return error_at(p.begin, "A single number is expected.");
        const Token &t = tokens_[i];
        switch (t.kind) {
        case TokenKind::Integer:
        case TokenKind::Number:
        case TokenKind::Date:
        case TokenKind::Time:
        case TokenKind::Datetime: slot.number = sign * t.number; break;
        case TokenKind::Missing: slot.number = missing_value(); break;
        default: return error_at(i, quoted_excerpt(t.source) + " is not a number.");
        }
        ++slot.specified;
        return true;
    }

    bool store_text(qh_param &slot, const MatchedAction &p, int width)
    {
        if (p.begin + 1 != p.end)
            return error_at(p.begin, "A single name is expected.");
        const Token &t = tokens_[p.begin];
        std::string value = t.kind == TokenKind::String ? t.text : upper_case(t.text);
        if (value.size() > QH_NAME_LEN)
            value.resize(QH_NAME_LEN);
        const size_t filled = std::max(value.size(), static_cast<size_t>(std::clamp(width, 0, QH_NAME_LEN)));
        std::memset(slot.text, ' ', filled);
        std::memcpy(slot.text, value.data(), value.size());
        slot.text[filled] = '\0';
        ++slot.specified;
        return true;
    }

    struct DeferredList {
        qh_param *slot;
        MatchedAction span;
        bool single;
    };

public:
    // Runs the actions in order; false when one failed (logged). The PROC record reaches the
    // procedure only when all went well.
    bool run(qh_parse_area &area)
    {
        qh_statement *proc = nullptr, *current = nullptr, *last = nullptr;
        qh_dataset *input = nullptr;
        bool input_failed = false;
        std::vector<const qh_param *> refused; // slots whose data set could not be opened
        std::vector<DeferredList> lists;
        bool ok = true;
        for (const MatchedAction &p : matched_) {
            const qh_action &a = g_.actions[p.action];
            if (a.kind == QH_ACT_START_RECORD) {
                const int slots = std::clamp<int>(a.arg, 0, 1000);
                auto *rec = static_cast<qh_statement *>(run_.arena().allocate(sizeof(qh_statement)));
                auto *params = static_cast<qh_param *>(run_.arena().allocate(sizeof(qh_param) * (slots ? slots : 1)));
                if (!rec || !params) {
                    run_.log().error("Out of memory while parsing the statements.");
                    return false;
                }
                const std::string name = p.begin < p.end ? upper_case(tokens_[p.begin].text) : std::string();
                std::memset(rec->name, ' ', QH_NAME_LEN);
                std::memcpy(rec->name, name.data(), std::min<size_t>(name.size(), QH_NAME_LEN));
                rec->slot_count = slots;
                rec->slots = params;
                (last ? last->next : proc) = rec;
                last = current = rec;
                continue;
            }
            qh_statement *rec = a.target == QH_TARGET_PROC ? proc : current;
            if (a.kind == QH_ACT_SET_FLAG) {
                if (!rec || a.arg < 1 || a.arg > 32) {
                    ok = error_at(p.begin, "The grammar of procedure " + run_.proc_name() + " sets flag " +
                                               std::to_string(a.arg) + " without a record to hold it.");
                    continue;
                }
                rec->flags |= QH_FLAG_BIT(a.arg);
                continue;
            }
            qh_param *slot = slot_of(a, current, proc, p.begin);
            if (!slot) {
                ok = false;
                continue;
            }
            // The line of the value, for the procedure's own messages about it.
            if (a.kind != QH_ACT_DEFAULT_DATASET)
                slot->line = line_at(p.begin);
            switch (a.kind) {
            case QH_ACT_STORE_DATASET:
            case QH_ACT_DEFAULT_DATASET: {
                // DATA= or _LAST_: a DATA= that cannot be read is its own error, not a reason
                // to look for a default.
                if (a.kind == QH_ACT_DEFAULT_DATASET &&
                    (slot->dataset || std::find(refused.begin(), refused.end(), slot) != refused.end()))
                    break;
                std::string error;
                qh_dataset *ds = nullptr;
                if (a.kind == QH_ACT_DEFAULT_DATASET) {
                    ds = run_.default_dataset(a.arg, error);
                } else {
                    DatasetReference ref;
                    if (parse_dataset_reference(tokens_, p.begin, p.end, run_.session().library, ref, error))
                        ds = a.arg == QH_DS_INPUT ? run_.open_input(ref, error) : run_.open_output(ref, error);
                }
                if (!ds) {
                    ok = error_at(p.begin, error);
                    input_failed = input_failed || a.arg == QH_DS_INPUT;
                    refused.push_back(slot);
                    break;
                }
                slot->dataset = ds;
                slot->specified += a.kind == QH_ACT_STORE_DATASET;
                if (a.arg == QH_DS_INPUT)
                    input = ds;
                break;
            }
            case QH_ACT_STORE_NUMBER: ok = store_number(*slot, p) && ok; break;
            case QH_ACT_STORE_TEXT: ok = store_text(*slot, p, a.arg) && ok; break;
            case QH_ACT_STORE_VARLIST:
            case QH_ACT_STORE_VARIABLE: lists.push_back({slot, p, a.kind == QH_ACT_STORE_VARIABLE}); break;
            }
        }
        if (!lists.empty() && !input && !input_failed) {
            std::string error;
            input = run_.default_dataset(QH_DS_INPUT, error);
            if (!input)
                ok = error_at(lists.front().span.begin, error);
        }
        if (input)
            for (const DeferredList &list : lists)
                ok = store_list(list, *input) && ok;
        if (ok)
            area.proc_record = proc;
        return ok;
    }

private:
    // The keyword of the statement holding `token`, upper case ("PROC" for the PROC statement).
    std::string statement_of(size_t token) const
    {
        size_t first = std::min(token, tokens_.size());
        while (first > 0 && tokens_[first - 1].kind != TokenKind::Semicolon)
            --first;
        return first < tokens_.size() ? upper_case(tokens_[first].text) : std::string("PROC");
    }

    // A list that cannot be resolved: its error with the data set, the statement and the line,
    // "Variable DIST not found in data set WORK.D (MODEL statement, line 3)." (a statement whose
    // `;` is missing runs on into the next one's words).
    bool list_error(const DeferredList &list, const qh_dataset &input, std::string error)
    {
        const std::string missing = " not found.";
        if (error.size() > missing.size() && error.compare(0, 9, "Variable ") == 0 &&
            error.compare(error.size() - missing.size(), missing.size(), missing) == 0)
            error.replace(error.size() - 1, 1, " in data set " + input.name.display + ".");
        if (!error.empty() && error.back() == '.')
            error.pop_back();
        run_.log().error(error + " (" + statement_of(list.span.begin) + " statement, line " +
                         std::to_string(line_at(list.span.begin)) + ").");
        return false;
    }

    bool store_list(const DeferredList &list, const qh_dataset &input)
    {
        const std::vector<Variable> &variables = input.input.variables;
        std::vector<Token> span(tokens_.begin() + static_cast<long>(list.span.begin),
                                tokens_.begin() + static_cast<long>(list.span.end));
        std::vector<int> numbers;
        std::string error;
        if (!resolve_variable_list(span, variables, numbers, error))
            return list_error(list, input, error);
        qh_param &slot = *list.slot;
        if (list.single && numbers.size() != 1)
            return error_at(list.span.begin, "One variable is expected here, not " + std::to_string(numbers.size()) + ".");
        const size_t kept = list.single ? 0 : static_cast<size_t>(slot.var_count);
        const size_t total = kept + numbers.size();
        auto *merged = static_cast<int32_t *>(run_.arena().allocate(sizeof(int32_t) * (total ? total : 1)));
        if (!merged) {
            run_.log().error("Out of memory while parsing the statements.");
            return false;
        }
        for (size_t i = 0; i < kept; ++i)
            merged[i] = slot.var_numbers[i];
        for (size_t i = 0; i < numbers.size(); ++i)
            merged[kept + i] = numbers[i];
        slot.var_numbers = merged;
        slot.var_count = static_cast<int32_t>(total);
        ++slot.specified;
        return true;
    }

    const qh_grammar &g_;
    RunContext &run_;
    const std::vector<Token> &tokens_;
    const std::vector<MatchedAction> &matched_;
};

} // namespace

int16_t parse_step(const qh_grammar *grammar, RunContext &run, qh_parse_area &area)
{
    area.proc_record = nullptr;
    area.status = 0;
    if (!grammar) {
        run.log().error("Procedure " + run.proc_name() + " gave no statement grammar.");
        return area.status = parse_status_grammar;
    }
    std::vector<MatchedAction> matched;
    if (const int16_t status = match_statements(*grammar, run.step_tokens(), run.proc_name(), run.log(), matched))
        return area.status = status;
    if (!StatementActions(*grammar, run, matched).run(area))
        return area.status = parse_status_syntax;
    return area.status;
}

} // namespace quill::host

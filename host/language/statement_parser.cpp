// Ordered-choice matching: the alternatives of a nonterminal are tried in table order and the
// first that matches wins. Actions are collected while matching (and dropped with a failed
// alternative); they run only after the whole step matched. The furthest position where a
// terminal failed names the offending token and what was expected there.
#include "language/statement_parser.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <string>

#include "base/message_text.h"
#include "language/variable_lists.h"

namespace quill::host {
namespace {

constexpr int max_depth = 4000;
constexpr long max_steps = 4'000'000;
constexpr int max_expected_listed = 24;

struct Terminal {
    enum Kind { Class, Punct, Keyword, Never } kind = Never;
    TokenKind token_kind = TokenKind::End;
    char punct = 0;
    std::string text; // as written in the grammar
};

struct ClassName {
    const char *name;
    TokenKind kind;
    const char *display;
};
constexpr ClassName token_classes[] = {
    {"ENDJB", TokenKind::Semicolon, ";"},         {"NAMEX", TokenKind::Name, "a name"},
    {"QS", TokenKind::String, "a quoted string"}, {"INT", TokenKind::Integer, "an integer"},
    {"NBR", TokenKind::Number, "a number"},       {"COMPOUND", TokenKind::Compound, "a two-level name"},
    {"FMT", TokenKind::Format, "a format name"},  {"DATE", TokenKind::Date, "a date constant"},
    {"TIME", TokenKind::Time, "a time constant"}, {"DATETIME", TokenKind::Datetime, "a datetime constant"},
    {"MISSING", TokenKind::Missing, "a missing value (.)"},         {"VLITERAL", TokenKind::NameLiteral, "a name literal"},
};
constexpr const char *never_classes[] = {"CATNAME", "SASDS", "RESERVED1", "RESERVED2",
                                         "RESERVED3", "RESERVED4", "RESERVED5", "$$$"};

std::string display_of(const Terminal &t)
{
    if (t.kind == Terminal::Class)
        for (const ClassName &c : token_classes)
            if (t.text == c.name)
                return c.display;
    return t.kind == Terminal::Keyword ? upper_case(t.text) : t.text;
}

bool matches(const Terminal &t, const Token &token)
{
    switch (t.kind) {
    case Terminal::Class: return token.kind == t.token_kind;
    case Terminal::Punct:
        return (t.punct == ';' && token.kind == TokenKind::Semicolon) ||
               (token.kind == TokenKind::Punct && token.text[0] == t.punct);
    case Terminal::Keyword: return token.kind == TokenKind::Name && same_name(token.text, t.text);
    case Terminal::Never: return false;
    }
    return false;
}

struct Pending {
    int action;
    size_t begin, end; // tokens of the symbol written just before the action
};

class GrammarParser {
public:
    GrammarParser(const qh_grammar &g, RunContext &run) : g_(g), run_(run), tokens_(run.step_tokens()) {}

    int16_t parse(qh_parse_area &area)
    {
        area.proc_record = nullptr;
        area.status = 0;
        std::string problem;
        if (!check_grammar(problem)) {
            run_.log().error("The statement grammar of procedure " + run_.proc_name() + " is not valid: " +
                             problem);
            return area.status = parse_status_grammar;
        }
        expected_.assign(terminals_.size(), false);
        size_t pos = 0;
        const bool matched = nonterminal(g_.start, pos, 0);
        if (depth_exceeded_) {
            run_.log().error("The statements of procedure " + run_.proc_name() +
                             " nest too deeply to parse (or its grammar is left-recursive).");
            return area.status = parse_status_grammar;
        }
        if (steps_ > max_steps) {
            run_.log().error("The statements of procedure " + run_.proc_name() + " are too complex to parse.");
            return area.status = parse_status_syntax;
        }
        if (!matched || pos != tokens_.size()) {
            syntax_error(matched ? std::max(pos, far_) : far_);
            return area.status = parse_status_syntax;
        }
        if (!run_actions(area))
            return area.status = parse_status_syntax;
        return area.status = 0;
    }

private:
    // --- the grammar ------------------------------------------------------------------------

    bool check_grammar(std::string &problem)
    {
        if (!g_.terminals || g_.terminal_count < 1 || g_.terminal_count > 4096 || g_.nonterminal_count < 1 ||
            g_.nonterminal_count > 4096 || g_.production_count < 0 || g_.action_count < 0 ||
            (g_.production_count > 0 && !g_.productions) || (g_.action_count > 0 && !g_.actions)) {
            problem = "its counts or tables are missing.";
            return false;
        }
        const unsigned char *p = g_.terminals;
        for (int i = 0; i < g_.terminal_count; ++i) {
            Terminal t;
            t.text.assign(reinterpret_cast<const char *>(p + 1), p[0]);
            p += 1 + p[0];
            if (t.text.empty()) {
                problem = "terminal " + std::to_string(i) + " is empty.";
                return false;
            }
            const bool never = std::any_of(std::begin(never_classes), std::end(never_classes),
                                           [&](const char *n) { return t.text == n; });
            const unsigned char first = static_cast<unsigned char>(t.text[0]);
            if (never)
                t.kind = Terminal::Never;
            else if (t.text.size() == 1 && !std::isalnum(first) && first != '_')
                t.kind = Terminal::Punct;
            else
                t.kind = Terminal::Keyword;
            for (const ClassName &c : token_classes)
                if (t.text == c.name) {
                    t.kind = Terminal::Class;
                    t.token_kind = c.kind;
                }
            t.punct = t.text[0];
            terminals_.push_back(t);
        }
        if (terminals_.back().text != "$$$") {
            problem = "the terminal list does not end with $$$.";
            return false;
        }
        by_lhs_.assign(static_cast<size_t>(g_.nonterminal_count), {});
        for (int i = 0; i < g_.production_count; ++i) {
            const qh_production &pr = g_.productions[i];
            if (pr.lhs < 0 || pr.lhs >= g_.nonterminal_count || pr.length < 0 || (pr.length > 0 && !pr.rhs)) {
                problem = "production " + std::to_string(i) + " is malformed.";
                return false;
            }
            for (int k = 0; k < pr.length; ++k) {
                const qh_symbol s = pr.rhs[k];
                const int index = QH_SYMBOL_INDEX(s);
                const int kind = QH_SYMBOL_KIND(s);
                const bool ok = s >= 0 && ((kind == 0x0000 && index < g_.terminal_count) ||
                                           (kind == 0x1000 && index < g_.nonterminal_count) ||
                                           (kind == 0x2000 && index < g_.action_count));
                if (!ok) {
                    problem = "production " + std::to_string(i) + " refers to symbol " + std::to_string(s) +
                              ", which does not exist.";
                    return false;
                }
            }
            by_lhs_[static_cast<size_t>(pr.lhs)].push_back(i);
        }
        for (int i = 0; i < g_.action_count; ++i) {
            const qh_action &a = g_.actions[i];
            if (a.kind < QH_ACT_START_RECORD || a.kind > QH_ACT_SET_FLAG) {
                problem = "action " + std::to_string(i) + " has an unknown kind.";
                return false;
            }
        }
        if (g_.start < 0 || g_.start >= g_.nonterminal_count) {
            problem = "the start nonterminal does not exist.";
            return false;
        }
        return true;
    }

    // --- matching ---------------------------------------------------------------------------

    bool terminal(int index, size_t &pos)
    {
        if (pos < tokens_.size() && matches(terminals_[static_cast<size_t>(index)], tokens_[pos]))
            return true;
        if (pos > far_) {
            far_ = pos;
            expected_.assign(terminals_.size(), false);
        }
        if (pos == far_)
            expected_[static_cast<size_t>(index)] = true;
        return false;
    }

    bool nonterminal(int nt, size_t &pos, int depth)
    {
        if (depth > max_depth) {
            depth_exceeded_ = true;
            return false;
        }
        for (int p : by_lhs_[static_cast<size_t>(nt)]) {
            if (++steps_ > max_steps || depth_exceeded_)
                return false;
            const size_t saved_pos = pos, saved_pending = pending_.size();
            if (production(g_.productions[p], pos, depth))
                return true;
            pos = saved_pos;
            pending_.resize(saved_pending);
        }
        return false;
    }

    bool production(const qh_production &pr, size_t &pos, int depth)
    {
        size_t before_begin = pos, before_end = pos;
        for (int k = 0; k < pr.length; ++k) {
            const qh_symbol s = pr.rhs[k];
            const int index = QH_SYMBOL_INDEX(s);
            const size_t start = pos;
            switch (QH_SYMBOL_KIND(s)) {
            case 0x0000:
                if (!terminal(index, pos))
                    return false;
                ++pos;
                break;
            case 0x1000:
                if (!nonterminal(index, pos, depth + 1))
                    return false;
                break;
            default: pending_.push_back({index, before_begin, before_end}); continue;
            }
            before_begin = start;
            before_end = pos;
        }
        return true;
    }

    void syntax_error(size_t pos)
    {
        std::string where;
        if (pos < tokens_.size())
            where = "in line " + std::to_string(tokens_[pos].line) + ", column " +
                    std::to_string(tokens_[pos].column) + " at " + quoted_excerpt(tokens_[pos].source);
        else
            where = "at the end of the statements" +
                    (tokens_.empty() ? std::string()
                                     : " (line " + std::to_string(tokens_.back().line) + ")");
        std::vector<std::string> listed;
        for (size_t i = 0; i < terminals_.size(); ++i) {
            if (!expected_[i] || pos != far_)
                continue;
            const std::string d = display_of(terminals_[i]);
            if (std::find(listed.begin(), listed.end(), d) == listed.end())
                listed.push_back(d);
        }
        std::string expected;
        if (listed.empty()) {
            expected = "the end of the step";
        } else {
            expected = listed.size() == 1 ? "" : "one of ";
            for (size_t i = 0; i < listed.size() && i < max_expected_listed; ++i)
                expected += (i ? ", " : "") + listed[i];
            if (listed.size() > max_expected_listed)
                expected += ", ...";
        }
        run_.log().error("Syntax error " + where + ": expected " + expected + ".");
    }

    // --- actions ----------------------------------------------------------------------------

    int line_at(size_t token) const
    {
        return token < tokens_.size() ? tokens_[token].line : run_.step_line();
    }

    bool error_at(size_t token, const std::string &message)
    {
        const int line = line_at(token);
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

    bool store_number(qh_param &slot, const Pending &p)
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

    bool store_text(qh_param &slot, const Pending &p, int width)
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
        Pending span;
        bool single;
    };

    bool run_actions(qh_parse_area &area)
    {
        qh_statement *proc = nullptr, *current = nullptr, *last = nullptr;
        qh_dataset *input = nullptr;
        bool input_failed = false;
        std::vector<DeferredList> lists;
        bool ok = true;
        for (const Pending &p : pending_) {
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
                if (a.kind == QH_ACT_DEFAULT_DATASET && slot->dataset)
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
                ok = store_list(list, input->input.variables) && ok;
        if (ok)
            area.proc_record = proc;
        return ok;
    }

    bool store_list(const DeferredList &list, const std::vector<Variable> &variables)
    {
        std::vector<Token> span(tokens_.begin() + static_cast<long>(list.span.begin),
                                tokens_.begin() + static_cast<long>(list.span.end));
        std::vector<int> numbers;
        std::string error;
        if (!resolve_variable_list(span, variables, numbers, error)) {
            run_.log().error(error);
            return false;
        }
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
    std::vector<Terminal> terminals_;
    std::vector<std::vector<int>> by_lhs_;
    std::vector<Pending> pending_;
    std::vector<bool> expected_;
    size_t far_ = 0;
    long steps_ = 0;
    bool depth_exceeded_ = false;
};

} // namespace

int16_t parse_step(const qh_grammar *grammar, RunContext &run, qh_parse_area &area)
{
    if (!grammar) {
        area.proc_record = nullptr;
        run.log().error("Procedure " + run.proc_name() + " gave no statement grammar.");
        return area.status = parse_status_grammar;
    }
    return GrammarParser(*grammar, run).parse(area);
}

} // namespace quill::host

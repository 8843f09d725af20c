// Ordered-choice matching: the alternatives of a nonterminal are tried in table order and the
// first that matches wins. Actions are collected while matching (and dropped with a failed
// alternative). The furthest position where a terminal failed names the offending token and what
// was expected there.
#include "language/statement_parser.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <string>

#include "base/message_text.h"
#include "base/names.h"

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
               is_punct(token, t.punct);
    case Terminal::Keyword: return token.kind == TokenKind::Name && same_name(token.text, t.text);
    case Terminal::Never: return false;
    }
    return false;
}

class GrammarParser {
public:
    GrammarParser(const qh_grammar &g, const std::vector<Token> &tokens, const std::string &proc_name, LogWriter &log,
                  std::vector<MatchedAction> &pending)
        : g_(g), tokens_(tokens), proc_name_(proc_name), log_(log), pending_(pending)
    {
    }

    int16_t match()
    {
        pending_.clear();
        std::string problem;
        if (!check_grammar(problem)) {
            log_.error("The statement grammar of procedure " + proc_name_ + " is not valid: " + problem);
            return parse_status_grammar;
        }
        expected_.assign(terminals_.size(), false);
        size_t pos = 0;
        const bool matched = nonterminal(g_.start, pos, 0);
        if (depth_exceeded_) {
            log_.error("The statements of procedure " + proc_name_ +
                       " nest too deeply to parse (or its grammar is left-recursive).");
            return parse_status_grammar;
        }
        if (steps_ > max_steps) {
            log_.error("The statements of procedure " + proc_name_ + " are too complex to parse.");
            return parse_status_syntax;
        }
        if (!matched || pos != tokens_.size()) {
            syntax_error(matched ? std::max(pos, far_) : far_);
            return parse_status_syntax;
        }
        return 0;
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
        log_.error("Syntax error " + where + ": expected " + expected + ".");
    }

    const qh_grammar &g_;
    const std::vector<Token> &tokens_;
    const std::string &proc_name_;
    LogWriter &log_;
    std::vector<MatchedAction> &pending_;
    std::vector<Terminal> terminals_;
    std::vector<std::vector<int>> by_lhs_;
    std::vector<bool> expected_;
    size_t far_ = 0;
    long steps_ = 0;
    bool depth_exceeded_ = false;
};

// The data set options after DATA=name and OUT...=name are the host's (WHERE= takes any expression): inside
// their parentheses, operators a procedure's grammar need not know are matched as names. The
// actions still take the tokens as written.
std::vector<Token> with_dataset_options_as_names(const std::vector<Token> &tokens)
{
    std::vector<Token> shown = tokens;
    for (size_t i = 0; i + 3 < shown.size(); ++i) {
        const std::string option = shown[i].kind == TokenKind::Name ? upper_case(shown[i].text) : std::string();
        if ((option != "DATA" && option.rfind("OUT", 0) != 0) || !is_punct(shown[i + 1], '=') ||
            !is_punct(shown[i + 3], '('))
            continue;
        int depth = 0;
        for (size_t k = i + 3; k < shown.size() && shown[k].kind != TokenKind::Semicolon; ++k) {
            Token &t = shown[k];
            depth += is_punct(t, '(') - is_punct(t, ')');
            if (depth == 0)
                break;
            if (t.kind == TokenKind::Punct && std::strchr("()-/:=", t.text[0]) == nullptr) {
                t.kind = TokenKind::Name;
                t.text.assign(1, '_');
            }
        }
    }
    return shown;
}

} // namespace

int16_t match_statements(const qh_grammar &grammar, const std::vector<Token> &tokens, const std::string &proc_name,
                         LogWriter &log, std::vector<MatchedAction> &actions)
{
    const std::vector<Token> shown = with_dataset_options_as_names(tokens);
    return GrammarParser(grammar, shown, proc_name, log, actions).match();
}

} // namespace quill::host

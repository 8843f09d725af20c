// Compiling a DATA step: the DATA statement, each statement dispatched by its keyword, and the
// expressions and names every statement shares.
#include <algorithm>

#include "base/message_text.h"
#include "base/names.h"
#include "language/dataset_reference.h"
#include "language/output_options.h"
#include "language/variable_lists.h"
#include "steps/data_step/compiler.h"
#include "steps/data_step/datalines_input.h"
#include "steps/data_step/infile_statement.h"

namespace quill::host {

Compiler::Compiler(Session &session, const Step &step, StepProgram &program)
    : session_(session), step_(step), p_(program)
{
    for (size_t k = 0; k < step.body.size(); ++k) {
        starts_.emplace_back(tokens_.size(), k);
        tokens_.insert(tokens_.end(), step.body[k].tokens.begin(), step.body[k].tokens.end());
    }
    // A WHERE statement filters every data set SET reads, wherever it stands in the step.
    for (const Statement &s : step.body)
    {
        has_set_ = has_set_ || s.keyword() == "SET" || s.keyword() == "MERGE";
        if (s.keyword() == "INFILE" && !infile_statement_)
            infile_statement_ = &s;
        if (s.keyword() == "WHERE" && program.where.empty())
            program.where.assign(s.tokens.begin() + 1, s.tokens.end() - 1);
    }
}

bool Compiler::run()
{
    if (!outputs())
        return false;
    p_.n_slot = p_.pdv.add_automatic("_N_");
    p_.error_slot = p_.pdv.add_automatic("_ERROR_");
    // INFILE says how INPUT reads, wherever it stands in the step.
    if (infile_statement_) {
        p_.infile.emplace();
        if (!parse_infile_statement(session_, *infile_statement_, *p_.infile))
            return false;
    }
    size_t pos = 0;
    while (pos < tokens_.size()) {
        int s = -1;
        if (!statement(pos, s))
            return false;
        if (s >= 0)
            p_.top.push_back(s);
    }
    if (p_.infile && !have_input_) {
        session_.log.error(at_line("The INFILE statement needs an INPUT statement to read its lines",
                                   infile_statement_->line()));
        return false;
    }
    return settle_program_data_vector(session_, step_, p_);
}

bool Compiler::error(const std::string &message, const Token &at)
{
    session_.log.error(named(at_place(message, at)));
    return false;
}

// "Syntax error in the IF statement: ..." for a syntax error inside a statement.
std::string Compiler::named(const std::string &message) const
{
    const std::string head = "Syntax error: ";
    if (message.rfind(head, 0) != 0 || current_.empty())
        return message;
    return "Syntax error in the " + current_ + " statement: " + message.substr(head.size());
}

bool Compiler::expected(const std::string &what, size_t pos)
{
    const Token &at = tokens_[std::min(pos, tokens_.size() - 1)];
    const std::string found = at.kind == TokenKind::Semicolon ? "the end of the statement" : quoted_excerpt(at.source);
    return error("Syntax error: expected " + what + ", found " + found, at);
}

int Compiler::add_statement(Stmt s)
{
    p_.statements.push_back(std::move(s));
    return static_cast<int>(p_.statements.size()) - 1;
}

// DATA out1(options) out2 ...; or DATA _NULL_;
bool Compiler::outputs()
{
    const auto &t = step_.head.tokens;
    const size_t end = t.size() - 1;
    if (end < 2)
        return error("DATA needs the name of the data set to create", t.front());
    for (size_t i = 1; i < end;) {
        const size_t stop = dataset_tokens_end(t, i, end);
        StepOutput out;
        std::string message;
        if (!parse_dataset_reference(t, i, stop, session_.library, out.ref, message))
            return error(message, t[i]);
        if (out.ref.has_in)
            return error(in_option_misplaced, t[i]);
        if (const std::string problem = output_options_problem(out.ref); !problem.empty())
            return error(problem.substr(0, problem.size() - 1), t[i]);
        if (!out.ref.is_null)
            p_.outputs.push_back(std::move(out));
        i = stop;
    }
    return true;
}

// A variable an expression names: created numeric on first sight.
Scope Compiler::scope()
{
    Scope s;
    s.find = [this](const std::string &name, const Token &at) {
        int slot = p_.pdv.find(name);
        if (slot < 0) {
            if (at.kind == TokenKind::NameLiteral ? !is_storable_name(name) : !is_valid_name(name))
                return -1;
            slot = p_.pdv.add(name, VarType::Numeric, number_length);
        }
        return slot;
    };
    s.variable = [this](int slot) -> const Variable & { return p_.pdv.variables[static_cast<size_t>(slot)]; };
    s.formats = &session_.formats;
    s.list = [this](const std::vector<Token> &item, std::vector<int> &slots, std::string &message) {
        std::vector<Variable> known;
        std::vector<int> known_slots, numbers;
        known_variables(known, known_slots);
        if (!resolve_variable_list(item, known, numbers, message))
            return false;
        for (const int n : numbers)
            slots.push_back(known_slots[static_cast<size_t>(n - 1)]);
        return true;
    };
    return s;
}

// The step's variables so far, without the automatic ones, and their slots.
void Compiler::known_variables(std::vector<Variable> &known, std::vector<int> &slots) const
{
    for (size_t i = 0; i < p_.pdv.variables.size(); ++i)
        if (!p_.pdv.automatic[i]) {
            known.push_back(p_.pdv.variables[i]);
            slots.push_back(static_cast<int>(i));
        }
}

bool Compiler::expression(size_t &pos, int &node)
{
    Scope s = scope();
    std::string message;
    if (!p_.expressions.parse(tokens_, pos, tokens_.size(), s, node, message)) {
        session_.log.error(named(message));
        return false;
    }
    return true;
}

bool Compiler::condition(size_t &pos, int &node)
{
    if (!expression(pos, node))
        return false;
    node = p_.expressions.as_type(node, VarType::Numeric);
    return true;
}

bool Compiler::end_of_statement(size_t &pos)
{
    if (pos >= tokens_.size() || tokens_[pos].kind != TokenKind::Semicolon)
        return expected("an operator or ;", pos);
    ++pos;
    return true;
}

// The variable assigned: created with the value's type and length.
int Compiler::target(const Token &name, int value)
{
    int slot = p_.pdv.find(name.text);
    if (slot < 0)
        slot = p_.pdv.add(name.text, p_.expressions.type(value), p_.expressions.length(value));
    p_.pdv.assigned[static_cast<size_t>(slot)] = 1;
    return slot;
}

// Each level of DO, SELECT and IF-THEN is a level of this recursion, and of the run's.
bool Compiler::statement(size_t &pos, int &out)
{
    if (nesting_ > max_statement_nesting)
        return error("Statements are nested more than " + std::to_string(max_statement_nesting) +
                         " levels deep (DO, SELECT, IF-THEN)",
                     tokens_[pos]);
    ++nesting_;
    const bool ok = statement_here(pos, out);
    --nesting_;
    return ok;
}

bool Compiler::statement_here(size_t &pos, int &out)
{
    const Token &first = tokens_[pos];
    Stmt s;
    s.at = first;
    if (first.kind == TokenKind::Semicolon) {
        ++pos;
        out = -1;
        return true;
    }
    const bool name = first.kind == TokenKind::Name || first.kind == TokenKind::NameLiteral;
    const bool assignment = name && pos + 1 < tokens_.size() && is_punct(tokens_[pos + 1], '=');
    const bool array = first.kind == TokenKind::Name && p_.expressions.find_array(first.text) >= 0;
    if (array && !assignment && pos + 1 < tokens_.size() &&
        (is_punct(tokens_[pos + 1], '{') || is_punct(tokens_[pos + 1], '[') || is_punct(tokens_[pos + 1], '(')))
        return element_assignment(pos, s, out);
    if (array && assignment)
        return error("Illegal reference to the array " + first.text, first);
    const std::string keyword = first.kind == TokenKind::Name && !assignment ? upper_case(first.text) : "";
    const bool sum = name && !assignment && pos + 1 < tokens_.size() && is_punct(tokens_[pos + 1], '+');
    const std::string outer = current_;
    if (current_.empty() || keyword != "ELSE")
        current_ = assignment ? "assignment" : sum ? "sum" : keyword;
    struct Restore {
        std::string &name;
        std::string saved;
        ~Restore() { name = saved; }
    } restore{current_, outer};
    if (assignment)
        return assignment_statement(pos, s, out);
    if (name && pos + 1 < tokens_.size() && is_punct(tokens_[pos + 1], '+') && keyword != "IF" &&
        keyword != "OUTPUT")
        return sum_statement(pos, s, out);
    ++pos;
    out = -1;
    if (keyword.empty())
        return expected("a statement", pos - 1);
    if (const KeywordRow *row = keyword_row(keyword))
        return (this->*row->handler)(pos, s, out);
    return error("Statement " + keyword + " is not supported in a DATA step by this host", first);
}

const Compiler::KeywordRow *Compiler::keyword_row(std::string_view keyword)
{
    // One row per statement that starts with its keyword. ORDER: by keyword.
    static constexpr KeywordRow rows[] = {
        {"ARRAY", &Compiler::array_statement},         {"BY", &Compiler::by_statement},
        {"CALL", &Compiler::call_statement},           {"CONTINUE", &Compiler::jump_statement},
        {"DELETE", &Compiler::jump_statement},
        {"DO", &Compiler::do_statement},               {"DROP", &Compiler::keep_drop_statement},
        {"ELSE", &Compiler::misplaced_statement},      {"END", &Compiler::misplaced_statement},
        {"FORMAT", &Compiler::format_statement},       {"IF", &Compiler::if_statement},
        {"INFILE", &Compiler::infile_statement},       {"INFORMAT", &Compiler::format_statement},
        {"INPUT", &Compiler::input_statement},         {"KEEP", &Compiler::keep_drop_statement},
        {"LABEL", &Compiler::label_statement},         {"LEAVE", &Compiler::jump_statement},
        {"LENGTH", &Compiler::length_statement},       {"MERGE", &Compiler::merge_statement},
        {"OTHERWISE", &Compiler::misplaced_statement}, {"OUTPUT", &Compiler::output_statement},
        {"PUT", &Compiler::put_statement},             {"RENAME", &Compiler::rename_statement},
        {"RETAIN", &Compiler::retain_statement},       {"RETURN", &Compiler::jump_statement},
        {"SELECT", &Compiler::select_statement},       {"SET", &Compiler::set_statement},
        {"STOP", &Compiler::jump_statement},           {"WHEN", &Compiler::misplaced_statement},
        {"WHERE", &Compiler::where_statement},
    };
    static_assert(std::is_sorted(std::begin(rows), std::end(rows),
                                 [](const KeywordRow &a, const KeywordRow &b) { return a.keyword < b.keyword; }));
    const auto row = std::lower_bound(std::begin(rows), std::end(rows), keyword,
                                      [](const KeywordRow &r, std::string_view k) { return r.keyword < k; });
    return row != std::end(rows) && row->keyword == keyword ? row : nullptr;
}

bool compile_step(Session &session, const Step &step, StepProgram &program)
{
    program.expressions.set_macro_symbols(&session.macro_symbols); // SYMGET
    Compiler compiler(session, step, program);
    return compiler.run();
}

} // namespace quill::host

// Compiling a DATA step: the statements are read in order, and a variable takes its type (and a
// character variable its length) where it first appears: from a data set SET reads, a LENGTH
// statement, or the first value assigned to it.
#include <algorithm>

#include "base/message_text.h"
#include "base/names.h"
#include "language/dataset_reference.h"
#include "language/format_statement.h"
#include "language/variable_lists.h"
#include "steps/data_step/datalines_input.h"
#include "steps/data_step/infile_statement.h"
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

namespace {

constexpr long max_listed = 1'000'000; // variables one FORMAT or INFORMAT statement may list

bool is_word(const Token &t, const char *word) { return t.kind == TokenKind::Name && upper_case(t.text) == word; }

class Compiler {
public:
    Compiler(Session &session, const Step &step, StepProgram &program)
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

    bool run()
    {
        if (!outputs())
            return false;
        p_.n_slot = automatic("_N_");
        p_.error_slot = automatic("_ERROR_");
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
        if (!resolve_outputs())
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
    bool error(const std::string &message, const Token &at)
    {
        session_.log.error(named(at_place(message, at)));
        return false;
    }
    // "Syntax error in the IF statement: ..." for a syntax error inside a statement.
    std::string named(const std::string &message) const
    {
        const std::string head = "Syntax error: ";
        if (message.rfind(head, 0) != 0 || current_.empty())
            return message;
        return "Syntax error in the " + current_ + " statement: " + message.substr(head.size());
    }
    bool expected(const std::string &what, size_t pos)
    {
        const Token &at = tokens_[std::min(pos, tokens_.size() - 1)];
        const std::string found = at.kind == TokenKind::Semicolon ? "the end of the statement" : quoted_excerpt(at.source);
        return error("Syntax error: expected " + what + ", found " + found, at);
    }
    int automatic(const std::string &name)
    {
        const int slot = p_.pdv.add(name, VarType::Numeric, number_length);
        p_.pdv.automatic[static_cast<size_t>(slot)] = 1;
        p_.pdv.retained[static_cast<size_t>(slot)] = 1;
        p_.pdv.assigned[static_cast<size_t>(slot)] = 1;
        return slot;
    }
    int add_statement(Stmt s)
    {
        p_.statements.push_back(std::move(s));
        return static_cast<int>(p_.statements.size()) - 1;
    }

    // DATA out1(options) out2 ...; or DATA _NULL_;
    bool outputs()
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
            if (out.ref.has_input_only_options())
                return error("WHERE=, FIRSTOBS= and OBS= apply to input data sets only", t[i]);
            if (!out.ref.is_null)
                p_.outputs.push_back(std::move(out));
            i = stop;
        }
        return true;
    }

    // A variable an expression names: created numeric on first sight.
    Scope scope()
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
    void known_variables(std::vector<Variable> &known, std::vector<int> &slots) const
    {
        for (size_t i = 0; i < p_.pdv.variables.size(); ++i)
            if (!p_.pdv.automatic[i]) {
                known.push_back(p_.pdv.variables[i]);
                slots.push_back(static_cast<int>(i));
            }
    }

    bool expression(size_t &pos, int &node)
    {
        Scope s = scope();
        std::string message;
        if (!p_.expressions.parse(tokens_, pos, tokens_.size(), s, node, message)) {
            session_.log.error(named(message));
            return false;
        }
        return true;
    }
    bool condition(size_t &pos, int &node)
    {
        if (!expression(pos, node))
            return false;
        node = p_.expressions.as_type(node, VarType::Numeric);
        return true;
    }
    bool end_of_statement(size_t &pos)
    {
        if (pos >= tokens_.size() || tokens_[pos].kind != TokenKind::Semicolon)
            return expected("an operator or ;", pos);
        ++pos;
        return true;
    }

    // The variable assigned: created with the value's type and length.
    int target(const Token &name, int value)
    {
        int slot = p_.pdv.find(name.text);
        if (slot < 0)
            slot = p_.pdv.add(name.text, p_.expressions.type(value), p_.expressions.length(value));
        p_.pdv.assigned[static_cast<size_t>(slot)] = 1;
        return slot;
    }

    // Each level of DO, SELECT and IF-THEN is a level of this recursion, and of the run's.
    bool statement(size_t &pos, int &out)
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

    bool statement_here(size_t &pos, int &out)
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
        if (keyword == "IF")
            return if_statement(pos, s, out);
        if (keyword == "ELSE")
            return error("ELSE does not follow an IF-THEN statement", first);
        if (keyword == "DO")
            return do_statement(pos, s, out);
        if (keyword == "SELECT")
            return select_statement(pos, s, out);
        if (keyword == "END" || keyword == "WHEN" || keyword == "OTHERWISE")
            return error(keyword + " does not close a DO or SELECT", first);
        return simple_statement(pos, s, out, keyword);
    }

    // The statements that hold no others, after their keyword.
    [[gnu::noinline]] bool simple_statement(size_t &pos, Stmt &s, int &out, const std::string &keyword)
    {
        const Token &first = s.at;
        if (keyword == "OUTPUT") {
            s.kind = StmtKind::Output;
            p_.has_output_statement = true;
            for (; pos < tokens_.size() && tokens_[pos].kind != TokenKind::Semicolon; ++pos) {
                int found = -1;
                for (size_t k = 0; k < p_.outputs.size(); ++k) {
                    const std::string written = tokens_[pos].kind == TokenKind::Compound ? tokens_[pos].text :
                                                                                         "WORK." + tokens_[pos].text;
                    if (same_name(p_.outputs[k].ref.name.display, written))
                        found = static_cast<int>(k);
                }
                if (found < 0)
                    return error("OUTPUT names " + quoted_excerpt(tokens_[pos].source) +
                                     ", which is not a data set of the DATA statement",
                                 tokens_[pos]);
                s.outputs.push_back(found);
            }
            ++pos;
            out = add_statement(std::move(s));
            return true;
        }
        static const std::pair<const char *, StmtKind> simple[] = {{"DELETE", StmtKind::Delete},
                                                                   {"STOP", StmtKind::Stop},
                                                                   {"LEAVE", StmtKind::Leave},
                                                                   {"CONTINUE", StmtKind::Continue},
                                                                   {"RETURN", StmtKind::Return}};
        for (const auto &[word, kind] : simple)
            if (keyword == word) {
                if (!end_of_statement(pos))
                    return false;
                s.kind = kind;
                if ((kind == StmtKind::Leave || kind == StmtKind::Continue) && loop_depth_ == 0)
                    return error(keyword + " is not inside a DO loop", first);
                out = add_statement(std::move(s));
                return true;
            }
        out = -1;
        if (keyword == "SET" || keyword == "MERGE")
            return set_statement(pos, s, out, keyword == "MERGE");
        if (keyword == "BY")
            return by_statement(pos, first);
        if (keyword == "INPUT")
            return input_statement(pos, s, out);
        if (keyword == "PUT")
            return put_statement(pos, s, out);
        if (keyword == "CALL" && pos < tokens_.size() && tokens_[pos].kind == TokenKind::Name)
            return call_statement(pos, s, out);
        if (keyword == "INFILE")
            return infile_statement(pos, s);
        if (keyword == "KEEP" || keyword == "DROP") {
            std::vector<Token> &list = keyword == "KEEP" ? p_.keep : p_.drop;
            p_.has_keep = p_.has_keep || keyword == "KEEP";
            for (; tokens_[pos].kind != TokenKind::Semicolon; ++pos)
                list.push_back(tokens_[pos]);
            ++pos;
            return true;
        }
        if (keyword == "RENAME") {
            for (; tokens_[pos].kind != TokenKind::Semicolon; pos += 3) {
                if (!is_punct(tokens_[pos + 1], '=') || tokens_[pos + 2].kind == TokenKind::Semicolon)
                    return expected("old=new in the RENAME statement", pos);
                p_.renames.emplace_back(tokens_[pos], tokens_[pos + 2]);
            }
            ++pos;
            return true;
        }
        if (keyword == "RETAIN")
            return retain_statement(pos);
        if (keyword == "LENGTH")
            return length_statement(pos);
        if (keyword == "LABEL")
            return label_statement(pos);
        if (keyword == "ARRAY")
            return array_statement(pos);
        if (keyword == "WHERE") {
            const bool empty = tokens_[pos].kind == TokenKind::Semicolon;
            if (where_seen_++ > 0)
                return error("The DATA step has two WHERE statements", first);
            while (tokens_[pos].kind != TokenKind::Semicolon)
                ++pos;
            ++pos;
            if (empty)
                return error("WHERE needs an expression", first);
            if (p_.readers.empty() && !has_set_)
                return error("WHERE needs a SET statement in the DATA step to filter", first);
            return true;
        }
        if (keyword.empty())
            return expected("a statement", pos - 1);
        if (keyword == "FORMAT" || keyword == "INFORMAT")
            return format_statement(pos, keyword == "INFORMAT");
        return error("Statement " + keyword + " is not supported in a DATA step by this host", first);
    }

    // name{subscript} = expression; or the sum statement name{subscript} + expression; the
    // element is chosen as the statement runs.
    [[gnu::noinline]] bool element_assignment(size_t &pos, Stmt &s, int &out)
    {
        const std::string outer = current_;
        current_ = "assignment";
        Scope sc = scope();
        std::string message;
        int element = -1, value = -1;
        if (!p_.expressions.parse_element(tokens_, pos, tokens_.size(), sc, element, message)) {
            session_.log.error(named(message));
            return false;
        }
        const bool sum = is_punct(tokens_[pos], '+');
        if (!sum && !is_punct(tokens_[pos], '='))
            return expected("= or +", pos);
        ++pos;
        if (sum)
            current_ = "sum";
        if (!(sum ? condition(pos, value) : expression(pos, value)) || !end_of_statement(pos))
            return false;
        current_ = outer;
        const ArrayDef &array = p_.expressions.array(p_.expressions.find_array(s.at.text));
        if (sum && array.type != VarType::Numeric)
            return error("The sum statement needs a numeric variable; the array " + array.name + " is character", s.at);
        for (int slot : array.slots) {
            const size_t k = static_cast<size_t>(slot);
            p_.pdv.assigned[k] = 1;
            if (!sum)
                continue;
            // Any element may be the one summed: each is retained and starts at 0 unless given a value.
            p_.pdv.retained[k] = 1;
            if (is_missing(p_.pdv.initial[k]))
                p_.pdv.initial[k] = 0;
        }
        s.kind = sum ? StmtKind::Sum : StmtKind::Assign;
        s.element = element;
        s.expr = sum ? value : p_.expressions.as_type(value, array.type);
        out = add_statement(std::move(s));
        return true;
    }

    // ARRAY name{n|*} <$> <length> <variables | _TEMPORARY_> <(initial values)>;
    [[gnu::noinline]] bool array_statement(size_t &pos)
    {
        constexpr long max_elements = 100000;
        const Token &name = tokens_[pos];
        if (name.kind != TokenKind::Name)
            return expected("the name of the array", pos);
        if (p_.expressions.find_array(name.text) >= 0)
            return error("The array " + name.text + " has been defined more than once", name);
        if (p_.pdv.find(name.text) >= 0)
            return error("The array name " + name.text + " is the name of a variable of the step", name);
        ++pos;
        const char close = is_punct(tokens_[pos], '{') ? '}' : is_punct(tokens_[pos], '[') ? ']' :
                           is_punct(tokens_[pos], '(') ? ')' : '\0';
        if (close == '\0')
            return expected("{ and the number of elements of the array", pos);
        ++pos;
        long dim = -1; // -1 for *: as many as are listed
        if (tokens_[pos].kind == TokenKind::Integer && tokens_[pos].number >= 1 && tokens_[pos].number <= max_elements)
            dim = static_cast<long>(tokens_[pos].number);
        else if (!is_punct(tokens_[pos], '*'))
            return expected("the number of elements (1 to " + std::to_string(max_elements) + ") or *", pos);
        ++pos;
        if (is_punct(tokens_[pos], ','))
            return error("Arrays of more than one dimension are not supported by this host", tokens_[pos]);
        if (!is_punct(tokens_[pos], close))
            return expected(std::string(1, close), pos);
        ++pos;
        ArrayDef array;
        array.name = name.text;
        const bool character = is_punct(tokens_[pos], '$');
        pos += character ? 1 : 0;
        size_t length = number_length;
        bool length_given = false;
        if (tokens_[pos].kind == TokenKind::Integer) {
            const double n = tokens_[pos].number;
            if (n < 1 || n > 32767 || (!character && (n < 3 || n > 8)))
                return expected(character ? "a length from 1 to 32767 after $" : "a numeric length from 3 to 8", pos);
            length = static_cast<size_t>(n);
            length_given = true;
            ++pos;
        }
        std::vector<Token> list;
        for (; tokens_[pos].kind != TokenKind::Semicolon && !is_punct(tokens_[pos], '('); ++pos)
            list.push_back(tokens_[pos]);
        const bool temporary = list.size() == 1 && is_word(list[0], "_TEMPORARY_");
        array.type = character ? VarType::Character : VarType::Numeric;
        array.length = character ? length : number_length;
        if (temporary) {
            if (dim < 0)
                return error("The temporary array " + name.text + " needs its number of elements, not *", name);
            for (long k = 1; k <= dim; ++k) {
                // Not a variable of the data set: a name no program can write, retained, never written.
                const int slot = p_.pdv.add(name.text + "{" + std::to_string(k) + "}", array.type, array.length);
                p_.pdv.automatic[static_cast<size_t>(slot)] = 1;
                p_.pdv.retained[static_cast<size_t>(slot)] = 1;
                p_.pdv.assigned[static_cast<size_t>(slot)] = 1;
                array.slots.push_back(slot);
            }
        } else {
            if (list.empty() && dim > 0)
                for (long k = 1; k <= dim; ++k) { // array x{3}; names x1 x2 x3
                    Token t = name;
                    t.text = name.text + std::to_string(k);
                    list.push_back(t);
                }
            if (!array_elements(list, array, character, length_given ? length : 8, max_elements))
                return false;
            if (array.slots.empty())
                return error("The array " + name.text + " has been defined with zero elements", name);
            if (dim > 0 && array.slots.size() != static_cast<size_t>(dim))
                return error(std::string("Too ") + (array.slots.size() < static_cast<size_t>(dim) ? "few" : "many") +
                                 " variables defined for the dimension(s) specified for the array " + name.text,
                             name);
        }
        if (is_punct(tokens_[pos], '(') && !array_initial_values(pos, array, name))
            return false;
        if (tokens_[pos].kind != TokenKind::Semicolon)
            return expected(";", pos);
        ++pos;
        p_.expressions.add_array(std::move(array));
        return true;
    }

    // A variable a list names: its name, the token it is written at, its slot (-1 when new).
    struct ListedVariable {
        Token at;
        std::string name;
        int slot;
    };

    // The variables of a list: names and numbered ranges x1-x3 (new ones too), and lists of the
    // variables the step has so far (a--d, x:, _NUMERIC_ ...); more than `limit` is the error
    // `too_many`.
    bool listed_variables(const std::vector<Token> &list, const std::string &statement, long limit,
                          const std::string &too_many, std::vector<ListedVariable> &elements)
    {
        std::vector<Variable> known;
        std::vector<int> known_slots;
        known_variables(known, known_slots);
        for (size_t i = 0; i < list.size();) {
            const Token &t = list[i];
            if (t.kind != TokenKind::Name && t.kind != TokenKind::NameLiteral)
                return error("Syntax error in the " + statement + " statement: expected a variable name, found " +
                                 quoted_excerpt(t.source),
                             t);
            size_t width = 1; // the tokens of this item
            if (i + 1 < list.size() && is_punct(list[i + 1], ':'))
                width = 2;
            else if (i + 3 < list.size() && is_punct(list[i + 1], '-') && is_punct(list[i + 2], '-'))
                width = 4;
            else if (i + 4 < list.size() && is_punct(list[i + 1], '-') && list[i + 2].kind == TokenKind::Name &&
                     is_punct(list[i + 3], '-'))
                width = 5;
            const std::string upper = upper_case(t.text);
            const bool special = t.kind == TokenKind::Name && (upper == "_NUMERIC_" || upper == "_CHARACTER_" ||
                                                                  upper == "_CHAR_" || upper == "_ALL_");
            if (width == 1 && i + 2 < list.size() && is_punct(list[i + 1], '-')) {
                std::string prefix, last_prefix;
                long from = 0, to = 0;
                if (!split_numbered_name(t.text, prefix, from) || !split_numbered_name(list[i + 2].text, last_prefix, to) ||
                    !same_name(prefix, last_prefix) || to < from)
                    return error("The numbered range " + t.text + "-" + list[i + 2].text +
                                     " must run from a name ending in a number to a larger number of the same prefix",
                                 t);
                if (to - from >= limit)
                    return error(too_many, t);
                for (long k = from; k <= to; ++k) {
                    const std::string n = prefix + std::to_string(k);
                    elements.push_back({t, n, p_.pdv.find(n)});
                }
                i += 3;
            } else if (width == 1 && !special) {
                elements.push_back({t, t.text, p_.pdv.find(t.text)});
                ++i;
            } else {
                const std::vector<Token> item(list.begin() + static_cast<long>(i), list.begin() + static_cast<long>(i + width));
                std::vector<int> numbers;
                std::string message;
                if (!resolve_variable_list(item, known, numbers, message))
                    return error(message, t);
                for (int n : numbers)
                    elements.push_back({t, known[static_cast<size_t>(n - 1)].name, known_slots[static_cast<size_t>(n - 1)]});
                i += width;
            }
            if (static_cast<long>(elements.size()) > limit)
                return error(too_many, t);
        }
        return true;
    }

    // The variables of an array: names and numbered ranges x1-x3 (created when new), other lists
    // (a--d, x:, _NUMERIC_ ...) of the variables the step has so far. They must share one type.
    bool array_elements(const std::vector<Token> &list, ArrayDef &array, bool character, size_t length, long limit)
    {
        using Element = ListedVariable;
        std::vector<Element> elements;
        if (!listed_variables(list, "ARRAY", limit,
                              "The array " + array.name + " has more than " + std::to_string(limit) + " elements", elements))
            return false;
        if (!character)
            for (const Element &e : elements)
                if (e.slot >= 0) { // an array of variables that exist takes their type
                    array.type = p_.pdv.variables[static_cast<size_t>(e.slot)].type;
                    break;
                }
        for (const Element &e : elements) {
            int slot = e.slot;
            if (slot < 0) {
                if (!is_valid_name(e.name) && !(e.at.kind == TokenKind::NameLiteral && is_storable_name(e.name)))
                    return error("The name " + e.name + " in the ARRAY statement is not a valid variable name", e.at);
                slot = p_.pdv.find(e.name); // listed twice
                if (slot < 0)
                    slot = p_.pdv.add(e.name, array.type, array.type == VarType::Character ? length : number_length);
            }
            if (p_.pdv.variables[static_cast<size_t>(slot)].type != array.type)
                return error("All variables in array list must be the same type, i.e., all numeric or character", e.at);
            array.slots.push_back(slot);
        }
        if (array.type == VarType::Character) {
            array.length = 1;
            for (int slot : array.slots)
                array.length = std::max(array.length, p_.pdv.variables[static_cast<size_t>(slot)].length);
        }
        return true;
    }

    // (1 2 3) or ('a', 'b'): the elements' initial values, in order; they are retained.
    bool array_initial_values(size_t &pos, const ArrayDef &array, const Token &name)
    {
        size_t k = 0;
        for (++pos; !is_punct(tokens_[pos], ')'); ++pos) {
            if (is_punct(tokens_[pos], ','))
                continue;
            const bool negative = is_punct(tokens_[pos], '-');
            pos += negative ? 1 : 0;
            const Token &value = tokens_[pos];
            const bool number = value.kind == TokenKind::Integer || value.kind == TokenKind::Number ||
                                (value.kind == TokenKind::Missing && !negative);
            if (!number && (value.kind != TokenKind::String || negative))
                return expected("a constant or ) in the initial values of the array " + array.name, pos);
            if (k == array.slots.size())
                return error("Too many values for initialization of the array " + array.name, value);
            if (number != (array.type == VarType::Numeric))
                return error("The initial value " + quoted_excerpt(value.source) + " is not of the type of the array " +
                                 array.name,
                             value);
            const size_t slot = static_cast<size_t>(array.slots[k++]);
            if (number)
                p_.pdv.initial[slot] = value.kind == TokenKind::Missing ? missing_value() : negative ? -value.number : value.number;
            else
                p_.pdv.initial_text[slot] = std::string(utf8_prefix(value.text, p_.pdv.variables[slot].length));
            p_.pdv.retained[slot] = 1;
            p_.pdv.assigned[slot] = 1;
        }
        ++pos;
        if (k < array.slots.size())
            session_.log.warning("Partial value initialization of the array " + name.text + ".");
        return true;
    }

    // IF expression; or IF expression THEN statement <ELSE statement>. A chain of ELSE IF is read
    // in a loop, not by recursion, so that its length costs no stack here or when it runs.
    [[gnu::noinline]] bool if_statement(size_t &pos, Stmt &s, int &out)
    {
        std::vector<Stmt> chain; // the IF, then each ELSE IF
        for (;;) {
            if (!condition(pos, s.expr))
                return false;
            if (pos < tokens_.size() && tokens_[pos].kind == TokenKind::Semicolon) {
                ++pos;
                s.kind = StmtKind::SubsetIf;
                break;
            }
            if (pos >= tokens_.size() || !is_word(tokens_[pos], "THEN"))
                return expected("THEN", pos);
            ++pos;
            s.kind = StmtKind::If;
            if (!branch(pos, s.then_branch))
                return false;
            if (pos >= tokens_.size() || !is_word(tokens_[pos], "ELSE"))
                break;
            ++pos;
            if (!starts_if(pos)) {
                if (!branch(pos, s.else_branch))
                    return false;
                break;
            }
            chain.push_back(std::move(s));
            s = Stmt{};
            s.at = tokens_[pos++];
        }
        // Added innermost first, as a recursive reading adds them.
        out = add_statement(std::move(s));
        for (auto link = chain.rbegin(); link != chain.rend(); ++link) {
            link->else_branch = out;
            out = add_statement(std::move(*link));
        }
        return true;
    }

    // The IF statement starts at `pos`: not a variable or an array named IF.
    bool starts_if(size_t pos) const
    {
        return is_word(tokens_[pos], "IF") && pos + 1 < tokens_.size() && !is_punct(tokens_[pos + 1], '=') &&
               p_.expressions.find_array("IF") < 0;
    }

    // name = expression;
    [[gnu::noinline]] bool assignment_statement(size_t &pos, Stmt &s, int &out)
    {
        pos += 2;
        int value = -1;
        if (!expression(pos, value) || !end_of_statement(pos))
            return false;
        s.kind = StmtKind::Assign;
        s.target = target(s.at, value);
        s.expr = p_.expressions.as_type(value, p_.pdv.variables[static_cast<size_t>(s.target)].type);
        out = add_statement(std::move(s));
        return true;
    }

    // The sum statement: total + x; total starts at 0, is retained and ignores missing x.
    [[gnu::noinline]] bool sum_statement(size_t &pos, Stmt &s, int &out)
    {
        const Token &first = s.at;
        pos += 2;
        int value = -1;
        if (!condition(pos, value) || !end_of_statement(pos))
            return false;
        s.kind = StmtKind::Sum;
        s.target = p_.pdv.find(first.text);
        if (s.target < 0) {
            s.target = p_.pdv.add(first.text, VarType::Numeric, number_length);
            p_.pdv.initial[static_cast<size_t>(s.target)] = 0;
        }
        if (p_.pdv.variables[static_cast<size_t>(s.target)].type != VarType::Numeric)
            return error("The sum statement needs a numeric variable; " + first.text + " is character", first);
        p_.pdv.retained[static_cast<size_t>(s.target)] = 1;
        p_.pdv.assigned[static_cast<size_t>(s.target)] = 1;
        if (is_missing(p_.pdv.initial[static_cast<size_t>(s.target)]))
            p_.pdv.initial[static_cast<size_t>(s.target)] = 0;
        s.expr = value;
        out = add_statement(std::move(s));
        return true;
    }

    // The statement after THEN or ELSE.
    bool branch(size_t &pos, int &out)
    {
        if (pos >= tokens_.size())
            return expected("a statement", pos);
        if (!statement(pos, out))
            return false;
        if (out < 0) {
            Stmt nothing;
            out = add_statement(std::move(nothing));
        }
        return true;
    }

    // Statements up to the END that closes a DO or SELECT.
    bool block(size_t &pos, const Token &opening, std::vector<int> &children)
    {
        while (pos < tokens_.size()) {
            if (is_word(tokens_[pos], "END") && pos + 1 < tokens_.size() &&
                tokens_[pos + 1].kind == TokenKind::Semicolon) {
                pos += 2;
                return true;
            }
            int s = -1;
            if (!statement(pos, s))
                return false;
            if (s >= 0)
                children.push_back(s);
        }
        return error(upper_case(opening.text) + " has no END", opening);
    }

    bool parenthesised(size_t &pos, int &node)
    {
        if (!is_punct(tokens_[pos], '('))
            return expected("(", pos);
        return condition(pos, node); // the parentheses belong to the expression
    }

    [[gnu::noinline]] bool do_statement(size_t &pos, Stmt &s, int &out)
    {
        if (tokens_[pos].kind == TokenKind::Semicolon) {
            ++pos;
            s.kind = StmtKind::Block;
            if (!block(pos, s.at, s.children))
                return false;
            out = add_statement(std::move(s));
            return true;
        }
        if (is_word(tokens_[pos], "WHILE") || is_word(tokens_[pos], "UNTIL")) {
            s.kind = is_word(tokens_[pos], "WHILE") ? StmtKind::DoWhile : StmtKind::DoUntil;
            ++pos;
            if (!parenthesised(pos, s.expr) || !end_of_statement(pos))
                return false;
        } else {
            const Token &index = tokens_[pos];
            if ((index.kind != TokenKind::Name && index.kind != TokenKind::NameLiteral) || !is_punct(tokens_[pos + 1], '='))
                return expected("WHILE, UNTIL, ; or an index variable and =", pos);
            pos += 2;
            s.kind = StmtKind::DoRange;
            if (!condition(pos, s.expr2))
                return false;
            if (!is_word(tokens_[pos], "TO"))
                return expected("TO", pos);
            ++pos;
            if (!condition(pos, s.expr3))
                return false;
            if (is_word(tokens_[pos], "BY")) {
                ++pos;
                if (!condition(pos, s.expr))
                    return false;
            }
            if (is_word(tokens_[pos], "WHILE") || is_word(tokens_[pos], "UNTIL")) {
                s.until = is_word(tokens_[pos], "UNTIL");
                ++pos;
                if (!parenthesised(pos, s.condition))
                    return false;
            }
            if (!end_of_statement(pos))
                return false;
            s.target = p_.pdv.find(index.text);
            if (s.target < 0)
                s.target = p_.pdv.add(index.text, VarType::Numeric, number_length);
            if (p_.pdv.variables[static_cast<size_t>(s.target)].type != VarType::Numeric)
                return error("The DO loop index " + index.text + " is character", index);
            p_.pdv.assigned[static_cast<size_t>(s.target)] = 1;
        }
        ++loop_depth_;
        const bool ok = block(pos, s.at, s.children);
        --loop_depth_;
        if (!ok)
            return false;
        out = add_statement(std::move(s));
        return true;
    }

    // SELECT <(expression)>; WHEN (values) statement; ... <OTHERWISE statement;> END;
    [[gnu::noinline]] bool select_statement(size_t &pos, Stmt &s, int &out)
    {
        s.kind = StmtKind::Select;
        if (is_punct(tokens_[pos], '(')) {
            if (!expression(pos, s.expr))
                return false;
        }
        if (!end_of_statement(pos))
            return false;
        for (;;) {
            if (pos >= tokens_.size())
                return error("SELECT has no END", s.at);
            const Token &at = tokens_[pos];
            if (is_word(at, "END")) {
                ++pos;
                if (!end_of_statement(pos))
                    return false;
                break;
            }
            if (is_word(at, "OTHERWISE")) {
                ++pos;
                if (!branch(pos, s.else_branch))
                    return false;
                continue;
            }
            if (!is_word(at, "WHEN"))
                return expected("WHEN, OTHERWISE or END in the SELECT group", pos);
            ++pos;
            if (!is_punct(tokens_[pos], '('))
                return expected("(", pos);
            ++pos;
            std::vector<int> values;
            for (;;) {
                int value = -1;
                if (!expression(pos, value))
                    return false;
                if (s.expr >= 0)
                    value = p_.expressions.as_type(value, p_.expressions.type(s.expr));
                else
                    value = p_.expressions.as_type(value, VarType::Numeric);
                values.push_back(value);
                if (is_punct(tokens_[pos], ',')) {
                    ++pos;
                    continue;
                }
                if (!is_punct(tokens_[pos], ')'))
                    return expected(", or )", pos);
                ++pos;
                break;
            }
            int then = -1;
            if (!branch(pos, then))
                return false;
            s.when_values.push_back(std::move(values));
            s.children.push_back(then);
        }
        out = add_statement(std::move(s));
        return true;
    }

    // SET ds1(options) ds2 ... <END=var>; or MERGE with the same; IN=var among the options.
    [[gnu::noinline]] bool set_statement(size_t &pos, Stmt &s, int &out, bool merge)
    {
        Reader reader;
        size_t stop = pos;
        while (tokens_[stop].kind != TokenKind::Semicolon)
            ++stop;
        std::vector<Token> end_name, in_names;
        for (size_t i = pos; i < stop;) {
            if (is_word(tokens_[i], "END") && i + 2 <= stop && is_punct(tokens_[i + 1], '=')) {
                if (i + 2 >= stop || tokens_[i + 2].kind != TokenKind::Name)
                    return expected("a variable name after END=", i + 2);
                end_name.push_back(tokens_[i + 2]);
                i += 3;
                continue;
            }
            const size_t next = dataset_tokens_end(tokens_, i, stop);
            Reader::Input input;
            std::string message;
            if (!parse_dataset_reference(tokens_, i, next, session_.library, input.ref, message))
                return error(message, tokens_[i]);
            if (input.ref.is_null)
                return error("_NULL_ cannot be read", tokens_[i]);
            if (input.ref.has_in) { // the step's own variable, not an option of the data
                in_names.push_back(input.ref.in_name);
                input.ref.has_in = false;
            } else {
                in_names.emplace_back();
            }
            if (!open_for_reading(input.ref, session_.library, session_.log, input.view, message, p_.where)) {
                if (message.find(" at line ") == std::string::npos) // not yet placed in the program
                    return error(message, tokens_[i]);
                session_.log.error(message);
                return false;
            }
            reader.inputs.push_back(std::move(input));
            i = next;
        }
        if (reader.inputs.empty())
            return error(std::string(merge ? "MERGE" : "SET") + " needs the name of a data set to read", s.at);
        pos = stop + 1;
        if (!add_reader_variables(reader))
            return false;
        reader.merge = merge;
        for (size_t k = 0; k < in_names.size(); ++k) {
            const Token &name = in_names[k];
            if (name.text.empty())
                continue;
            if (p_.pdv.find(name.text) >= 0)
                return error("The IN= variable " + name.text + " is already a variable of the DATA step", name);
            const int slot = automatic(name.text);
            p_.pdv.shown[static_cast<size_t>(slot)] = 1;
            p_.pdv.initial[static_cast<size_t>(slot)] = 0;
            reader.inputs[k].in_slot = slot;
        }
        if (!end_name.empty()) {
            reader.end_slot = p_.pdv.find(end_name.front().text);
            if (reader.end_slot < 0)
                reader.end_slot = automatic(end_name.front().text);
        }
        s.kind = StmtKind::Read;
        s.reader = static_cast<int>(p_.readers.size());
        last_data_reader_ = s.reader;
        p_.readers.push_back(std::move(reader));
        out = add_statement(std::move(s));
        return true;
    }

    // BY <DESCENDING> var ...; for the SET or MERGE statement before it: every data set it reads
    // has the variables; each gets FIRST.var and LAST.var.
    [[gnu::noinline]] bool by_statement(size_t &pos, const Token &first)
    {
        if (last_data_reader_ < 0)
            return error("BY needs a SET or MERGE statement before it in the DATA step", first);
        Reader &reader = p_.readers[static_cast<size_t>(last_data_reader_)];
        if (!reader.by.empty())
            return error("The SET or MERGE statement before this BY statement already has one", first);
        bool descending = false;
        for (; tokens_[pos].kind != TokenKind::Semicolon; ++pos) {
            const Token &t = tokens_[pos];
            if (is_word(t, "DESCENDING") && tokens_[pos + 1].kind != TokenKind::Semicolon) {
                descending = true;
                continue;
            }
            if (t.kind != TokenKind::Name && t.kind != TokenKind::NameLiteral)
                return expected("a variable name in the BY statement", pos);
            for (Reader::Input &in : reader.inputs) {
                const auto &vars = in.view.variables;
                const auto found = std::find_if(vars.begin(), vars.end(), [&](const Variable &v) { return same_name(v.name, t.text); });
                if (found == vars.end())
                    return error("BY variable " + t.text + " is not on input data set " + in.ref.name.display, t);
                in.key_columns.push_back(in.view.columns[static_cast<size_t>(found - vars.begin())]);
            }
            ByVariable by;
            by.slot = p_.pdv.find(t.text);
            by.descending = descending;
            const std::string name = p_.pdv.variables[static_cast<size_t>(by.slot)].name; // a copy: the PDV grows
            if (p_.pdv.find("FIRST." + name) >= 0)
                return error("FIRST." + name + " is already defined by a BY statement of this step", t);
            by.first_slot = automatic("FIRST." + name);
            by.last_slot = automatic("LAST." + name);
            for (const int slot : {by.first_slot, by.last_slot}) {
                p_.pdv.shown[static_cast<size_t>(slot)] = 1;
                p_.pdv.initial[static_cast<size_t>(slot)] = 1;
            }
            reader.by.push_back(by);
            descending = false;
        }
        ++pos;
        if (reader.by.empty())
            return error("BY needs variables: BY <DESCENDING> var ...;", first);
        return true;
    }

    bool add_reader_variables(Reader &reader)
    {
        std::vector<char> listed;
        size_t more = 0;
        for (const Reader::Input &input : reader.inputs)
            more += input.view.variables.size();
        p_.pdv.slots.reserve(p_.pdv.variables.size() + more);
        for (Reader::Input &input : reader.inputs) {
            const DatasetView &view = input.view;
            for (size_t k = 0; k < view.variables.size(); ++k) {
                const Variable &v = view.variables[k];
                int slot = p_.pdv.find(v.name);
                if (slot < 0) {
                    slot = p_.pdv.add(v.name, v.type, v.length);
                    p_.pdv.variables[static_cast<size_t>(slot)].label = v.label;
                    p_.pdv.variables[static_cast<size_t>(slot)].format = v.format;
                    p_.pdv.variables[static_cast<size_t>(slot)].informat = v.informat;
                } else {
                    Variable &have = p_.pdv.variables[static_cast<size_t>(slot)];
                    if (have.type != v.type)
                        return error("Variable " + v.name + " has been defined as both character and numeric",
                                     tokens_.front());
                    if (have.type == VarType::Character && v.length > have.length && p_.pdv.assigned[static_cast<size_t>(slot)])
                        session_.log.warning("Multiple lengths were specified for the variable " + v.name +
                                             " by input data set(s). This can cause truncation of data.");
                    if (!p_.pdv.assigned[static_cast<size_t>(slot)])
                        have.length = std::max(have.length, v.length);
                }
                p_.pdv.retained[static_cast<size_t>(slot)] = 1;
                p_.pdv.assigned[static_cast<size_t>(slot)] = 1;
                input.to_slots.emplace_back(view.columns[k], slot);
                if (listed.size() <= static_cast<size_t>(slot))
                    listed.resize(p_.pdv.variables.size(), 0);
                if (!listed[static_cast<size_t>(slot)]) {
                    listed[static_cast<size_t>(slot)] = 1;
                    reader.slots.push_back(slot);
                }
            }
        }
        return true;
    }

    // PUT <'text'> <variable <=> <format>> <_ALL_> </> <@n> <+n> ...;
    [[gnu::noinline]] bool put_statement(size_t &pos, Stmt &s, int &out)
    {
        const std::string outer = current_;
        current_ = "PUT";
        std::vector<PutItem> items;
        const auto pointer_amount = [&](PutItem::Kind kind) {
            const Token &n = tokens_[pos + 1];
            if (n.kind != TokenKind::Integer || n.number < 1 || n.number > 32767)
                return expected("a column number from 1 to 32767", pos + 1);
            PutItem item;
            item.kind = kind;
            item.amount = static_cast<long>(n.number);
            items.push_back(item);
            pos += 2;
            return true;
        };
        while (tokens_[pos].kind != TokenKind::Semicolon) {
            const Token &t = tokens_[pos];
            PutItem item;
            if (t.kind == TokenKind::String) {
                item.text = t.text;
                items.push_back(std::move(item));
                ++pos;
                continue;
            }
            if (is_punct(t, '/')) {
                item.kind = PutItem::Kind::NewLine;
                items.push_back(std::move(item));
                ++pos;
                continue;
            }
            if (is_punct(t, '@') || is_punct(t, '+')) {
                if (!pointer_amount(is_punct(t, '@') ? PutItem::Kind::Column : PutItem::Kind::Advance))
                    return false;
                continue;
            }
            if (t.kind == TokenKind::Name && upper_case(t.text) == "_ALL_") {
                item.kind = PutItem::Kind::All;
                items.push_back(std::move(item));
                ++pos;
                continue;
            }
            if (t.kind != TokenKind::Name && t.kind != TokenKind::NameLiteral && t.kind != TokenKind::Compound)
                return expected("a variable, a quoted string, _ALL_, /, @n or +n", pos);
            // One variable or array element, never an expression: `put x +3 y` moves the pointer.
            Scope sc = scope();
            std::string message;
            const bool element = t.kind == TokenKind::Name && p_.expressions.find_array(t.text) >= 0;
            const bool parsed = element ? p_.expressions.parse_element(tokens_, pos, tokens_.size(), sc, item.node, message)
                                        : p_.expressions.parse(tokens_, pos, pos + 1, sc, item.node, message);
            if (!parsed) {
                session_.log.error(named(message));
                return false;
            }
            item.kind = PutItem::Kind::Value;
            if (!element)
                item.slot = p_.pdv.find(t.text);
            const bool named = is_punct(tokens_[pos], '=');
            if (named) {
                item.kind = PutItem::Kind::Named;
                ++pos;
            }
            // x 8.2 writes the value in the format's width; x= date9. names it and writes it as
            // the format does, without blanks before it.
            if (named ? format_token_at(tokens_, pos, tokens_.size())
                      : is_punct(tokens_[pos], '$') || tokens_[pos].kind == TokenKind::Format ||
                            tokens_[pos].kind == TokenKind::Number) {
                const Token &at = tokens_[pos];
                const size_t format_start = pos;
                if (!parse_value_format(tokens_, pos, tokens_.size(), false, &session_.formats, item.format, message))
                    return error(message.rfind("expected", 0) == 0 ? "Syntax error in the PUT statement: " + message
                                                                   : message,
                                 at);
                const bool text_format = item.format.character();
                if (text_format != (p_.expressions.type(item.node) == VarType::Character)) {
                    std::string written;
                    for (size_t k = format_start; k < pos; ++k)
                        written += tokens_[k].source;
                    return error("The format " + upper_case(written) +
                                     (text_format ? " writes character values, and " + t.text + " is numeric"
                                                  : " writes numbers, and " + t.text + " is character"),
                                 at);
                }
                item.kind = named ? PutItem::Kind::NamedFormatted : PutItem::Kind::Formatted;
            }
            items.push_back(std::move(item));
        }
        ++pos;
        current_ = outer;
        s.kind = StmtKind::Put;
        s.put = static_cast<int>(p_.puts.size());
        p_.puts.push_back(std::move(items));
        out = add_statement(std::move(s));
        return true;
    }

    // The statement at `pos` (just after its keyword) when it stands on its own in the step, not
    // inside IF or DO; otherwise nullptr.
    const Statement *own_statement(size_t pos) const
    {
        for (const auto &[start, k] : starts_)
            if (start + 1 == pos)
                return &step_.body[k];
        return nullptr;
    }

    // INFILE ...; read before the statements are compiled: here it is only placed.
    // CALL SYMPUT(name, value); CALL SYMPUTX(name, value <, scope>);
    bool call_statement(size_t &pos, Stmt &s, int &out)
    {
        const Token &routine_name = tokens_[pos];
        const std::string routine = upper_case(routine_name.text);
        const size_t most = routine == "SYMPUTX" ? 3 : routine == "SYMPUT" ? 2 : 0;
        if (most == 0)
            return error("The CALL routine " + routine + " is not supported by this host", routine_name);
        ++pos;
        if (pos >= tokens_.size() || !is_punct(tokens_[pos], '('))
            return expected("(", pos);
        std::vector<int> args;
        do {
            ++pos;
            int node = -1;
            if (!expression(pos, node))
                return false;
            args.push_back(node);
        } while (pos < tokens_.size() && is_punct(tokens_[pos], ','));
        if (pos >= tokens_.size() || !is_punct(tokens_[pos], ')'))
            return expected(") or ,", pos);
        ++pos;
        if (args.size() < 2 || args.size() > most)
            return error("CALL " + routine + " takes " + (most == 2 ? "2" : "2 or 3") + " arguments", routine_name);
        if (!end_of_statement(pos))
            return false;
        s.kind = StmtKind::Call;
        s.routine = routine == "SYMPUTX" ? CallRoutine::Symputx : CallRoutine::Symput;
        s.expr = p_.expressions.as_type(args[0], VarType::Character);
        s.expr2 = args[1];
        s.expr3 = args.size() > 2 ? p_.expressions.as_type(args[2], VarType::Character) : -1;
        out = add_statement(std::move(s));
        return true;
    }

    [[gnu::noinline]] bool infile_statement(size_t &pos, const Stmt &s)
    {
        const Statement *statement = own_statement(pos);
        while (tokens_[pos].kind != TokenKind::Semicolon)
            ++pos;
        ++pos;
        if (!statement)
            return error("INFILE must be a statement of its own, not part of IF or DO", s.at);
        if (statement != infile_statement_)
            return error("The DATA step takes one INFILE statement", s.at);
        return true;
    }

    // INPUT with DATALINES or INFILE: the lines are read like a data set.
    [[gnu::noinline]] bool input_statement(size_t &pos, Stmt &s, int &out)
    {
        const Statement *statement = own_statement(pos);
        if (!statement)
            return error("INPUT must be a statement of its own, not part of IF or DO", s.at);
        while (tokens_[pos].kind != TokenKind::Semicolon)
            ++pos;
        ++pos;
        if (have_input_)
            return error("The DATA step takes one INPUT statement", s.at);
        have_input_ = true;
        Table table;
        InputLayout layout;
        const auto informat_of = [this](const std::string &name) {
            const int slot = p_.pdv.find(name);
            return slot < 0 ? std::string() : p_.pdv.variables[static_cast<size_t>(slot)].informat;
        };
        if (!parse_input_layout(session_, *statement, informat_of, table, layout))
            return false;
        const InfileRequest request = p_.infile ? *p_.infile : InfileRequest();
        if (request.data_lines && !step_.has_data_lines)
            return error("The DATA step needs DATALINES (or CARDS) after its INPUT statement", s.at);
        RawText text;
        if (!infile_text(session_, request, step_.data_lines, step_.first_data_line, text))
            return false;
        const size_t max_text = p_.outputs.empty() ? default_format().max_text_length :
                                                     p_.outputs.front().ref.name.format->max_text_length;
        auto source = raw_input_source(session_, text, request.layout, layout, max_text, table, p_.records);
        if (!source)
            return false;
        Reader reader;
        Reader::Input input;
        input.view = whole_view(std::move(source));
        input.ref.name.display = request.data_lines ? "DATALINES" : "INFILE";
        reader.inputs.push_back(std::move(input));
        if (!add_reader_variables(reader))
            return false;
        for (int slot : reader.slots)
            p_.pdv.retained[static_cast<size_t>(slot)] = 0; // INPUT variables start each observation missing
        s.kind = StmtKind::Read;
        s.reader = static_cast<int>(p_.readers.size());
        p_.input_reader = s.reader;
        p_.readers.push_back(std::move(reader));
        out = add_statement(std::move(s));
        return true;
    }

    // RETAIN a b 0 c 'x' ...; an initial value applies to the names before it back to the last one.
    [[gnu::noinline]] bool retain_statement(size_t &pos)
    {
        std::vector<int> pending;
        for (; tokens_[pos].kind != TokenKind::Semicolon; ++pos) {
            const Token &t = tokens_[pos];
            if (t.kind == TokenKind::Name || t.kind == TokenKind::NameLiteral) {
                int slot = p_.pdv.find(t.text);
                if (slot < 0)
                    slot = p_.pdv.add(t.text, VarType::Numeric, number_length);
                p_.pdv.retained[static_cast<size_t>(slot)] = 1;
                pending.push_back(slot);
                continue;
            }
            bool negative = false;
            size_t at = pos;
            if (is_punct(t, '-') && tokens_[pos + 1].kind != TokenKind::Semicolon) {
                negative = true;
                at = ++pos;
            }
            const Token &value = tokens_[at];
            const bool number = value.kind == TokenKind::Integer || value.kind == TokenKind::Number ||
                                value.kind == TokenKind::Missing;
            if (!number && value.kind != TokenKind::String)
                return expected("a variable name or an initial value in the RETAIN statement", at);
            for (int slot : pending) {
                Variable &v = p_.pdv.variables[static_cast<size_t>(slot)];
                if (value.kind == TokenKind::String && !p_.pdv.assigned[static_cast<size_t>(slot)] &&
                    v.type == VarType::Numeric) {
                    v.type = VarType::Character; // first seen here: it takes the value's type
                    v.length = std::max<size_t>(1, value.text.size());
                }
                if ((v.type == VarType::Character) != (value.kind == TokenKind::String))
                    return error("The initial value of " + v.name + " in the RETAIN statement is not of its type", value);
                if (number)
                    p_.pdv.initial[static_cast<size_t>(slot)] =
                        value.kind == TokenKind::Missing ? missing_value() : negative ? -value.number : value.number;
                else
                    p_.pdv.initial_text[static_cast<size_t>(slot)] = value.text;
                p_.pdv.assigned[static_cast<size_t>(slot)] = 1;
            }
            pending.clear();
        }
        ++pos;
        return true;
    }

    // LENGTH a b $ 20 c 8; before the variables are first used.
    [[gnu::noinline]] bool length_statement(size_t &pos)
    {
        std::vector<Token> pending;
        for (; tokens_[pos].kind != TokenKind::Semicolon; ++pos) {
            const Token &t = tokens_[pos];
            if (t.kind == TokenKind::Name || t.kind == TokenKind::NameLiteral) {
                pending.push_back(t);
                continue;
            }
            bool character = false;
            size_t at = pos;
            if (is_punct(t, '$')) {
                character = true;
                at = ++pos;
            }
            const Token &value = tokens_[at];
            if (value.kind != TokenKind::Integer || value.number < 1 || value.number > 32767 ||
                (!character && (value.number < 3 || value.number > 8)))
                return expected(character ? "a length from 1 to 32767 after $" : "$ and a length, or a numeric length from 3 to 8", at);
            for (const Token &n : pending) {
                int slot = p_.pdv.find(n.text);
                if (slot >= 0 && (p_.pdv.variables[static_cast<size_t>(slot)].type == VarType::Character) != character)
                    return error("Variable " + n.text + " has been defined as both character and numeric", n);
                if (slot < 0)
                    slot = p_.pdv.add(n.text, character ? VarType::Character : VarType::Numeric,
                                      static_cast<size_t>(value.number));
                else if (character)
                    p_.pdv.variables[static_cast<size_t>(slot)].length = static_cast<size_t>(value.number);
            }
            pending.clear();
        }
        if (!pending.empty())
            return expected("a length after " + pending.back().text, pos);
        ++pos;
        return true;
    }

    // FORMAT variables <format> ...; (INFORMAT alike): each list of variables takes the format
    // after it; a list with none after it loses its format. A new variable is numeric, or
    // character of the format's width when the format is.
    bool format_statement(size_t &pos, bool informat)
    {
        const std::string statement = informat ? "INFORMAT" : "FORMAT";
        std::vector<Token> list;
        for (;;) {
            const bool at_end = tokens_[pos].kind == TokenKind::Semicolon;
            if (!at_end && !format_token_at(tokens_, pos, tokens_.size())) {
                list.push_back(tokens_[pos++]);
                continue;
            }
            const Token &at = tokens_[pos];
            ValueFormat fmt;
            std::string message;
            if (!at_end && !parse_value_format(tokens_, pos, tokens_.size(), informat, &session_.formats, fmt, message))
                return error(message.rfind("expected", 0) == 0 ? "Syntax error in the " + statement + " statement: " + message
                                                               : message,
                             at);
            if (list.empty() && !at_end)
                return error("Syntax error in the " + statement + " statement: expected a variable name before " +
                                 quoted_excerpt(at.source),
                             at);
            std::vector<ListedVariable> variables;
            if (!listed_variables(list, statement, max_listed, "The " + statement + " statement lists too many variables",
                                  variables))
                return false;
            for (const ListedVariable &v : variables)
                if (!give_format(v, at_end ? nullptr : &fmt, informat))
                    return false;
            list.clear();
            if (at_end)
                break;
        }
        ++pos;
        return true;
    }

    bool give_format(const ListedVariable &v, const ValueFormat *fmt, bool informat)
    {
        int slot = v.slot >= 0 ? v.slot : p_.pdv.find(v.name);
        const bool character = fmt && fmt->character();
        if (slot < 0) {
            if (!is_valid_name(v.name) && !(v.at.kind == TokenKind::NameLiteral && is_storable_name(v.name)))
                return error("The name " + v.name + " is not a valid variable name", v.at);
            const size_t width = fmt && fmt->width > 0 ? static_cast<size_t>(fmt->width) : 8;
            slot = p_.pdv.add(v.name, character ? VarType::Character : VarType::Numeric, character ? width : number_length);
        }
        Variable &variable = p_.pdv.variables[static_cast<size_t>(slot)];
        if (fmt && character != (variable.type == VarType::Character))
            return error("The " + std::string(informat ? "informat " : "format ") + fmt->name() +
                             (character ? " is for character values, and " : " is for numbers, and ") + variable.name +
                             (character ? " is numeric" : " is character"),
                         v.at);
        (informat ? variable.informat : variable.format) = fmt ? fmt->name() : std::string();
        return true;
    }

    // LABEL a = 'text' b = 'text';
    [[gnu::noinline]] bool label_statement(size_t &pos)
    {
        for (; tokens_[pos].kind != TokenKind::Semicolon; pos += 3) {
            if (!is_punct(tokens_[pos + 1], '=') || tokens_[pos + 2].kind != TokenKind::String)
                return expected("name='label' in the LABEL statement", pos);
            labels_.emplace_back(tokens_[pos], tokens_[pos + 2].text);
        }
        ++pos;
        return true;
    }

    // The variables of each output data set, by the KEEP, DROP and RENAME statements and options.
    bool resolve_outputs()
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

    Session &session_;
    const Step &step_;
    StepProgram &p_;
    std::vector<Token> tokens_;
    std::vector<std::pair<size_t, size_t>> starts_; // token index of each body statement's start
    std::vector<std::pair<Token, std::string>> labels_;
    int loop_depth_ = 0;
    int nesting_ = 0; // statements inside statements, at this point
    int where_seen_ = 0;
    std::string current_; // the statement being compiled, for messages
    bool have_input_ = false;
    bool has_set_ = false;
    int last_data_reader_ = -1; // the last SET or MERGE, which a BY statement applies to
    const Statement *infile_statement_ = nullptr; // the first INFILE of the step
};

} // namespace

bool compile_step(Session &session, const Step &step, StepProgram &program)
{
    program.expressions.set_macro_symbols(&session.macro_symbols); // SYMGET
    Compiler compiler(session, step, program);
    return compiler.run();
}

} // namespace quill::host

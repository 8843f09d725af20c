// The DATA step compiler's declarations: ARRAY, RETAIN, LENGTH, LABEL, FORMAT and INFORMAT,
// KEEP, DROP and RENAME.
#include <algorithm>

#include "base/message_text.h"
#include "base/names.h"
#include "language/dataset_reference.h"
#include "language/formats.h"
#include "language/variable_lists.h"
#include "steps/data_step/compiler.h"
#include "steps/data_step/datalines_input.h"
#include "steps/data_step/infile_statement.h"

namespace quill::host {

// ARRAY name{n|*} <$> <length> <variables | _TEMPORARY_> <(initial values)>;
bool Compiler::array_statement(size_t &pos, Stmt &, int &)
{
    // ARRAY name{n | *} <$> <length> <variables | _TEMPORARY_> <(initial values)> ;
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

// The variables of a list: names and numbered ranges x1-x3 (new ones too), and lists of the
// variables the step has so far (a--d, x:, _NUMERIC_ ...); more than `limit` is the error
// `too_many`.
bool Compiler::listed_variables(const std::vector<Token> &list, const std::string &statement, long limit,
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
bool Compiler::array_elements(const std::vector<Token> &list, ArrayDef &array, bool character, size_t length, long limit)
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
bool Compiler::array_initial_values(size_t &pos, const ArrayDef &array, const Token &name)
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

// RETAIN a b 0 c 'x' ...; an initial value applies to the names before it back to the last one.
bool Compiler::retain_statement(size_t &pos, Stmt &, int &)
{
    // RETAIN variables <initial value> <variables <initial value>> ... ;
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
bool Compiler::length_statement(size_t &pos, Stmt &, int &)
{
    // LENGTH variables <$> length <variables <$> length> ... ;
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
bool Compiler::format_statement(size_t &pos, Stmt &s, int &)
{
    // FORMAT variables <format> <variables <format>> ... ;  |  INFORMAT alike
    constexpr long max_listed = 1'000'000; // variables one statement may list
    const bool informat = is_word(s.at, "INFORMAT");
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

bool Compiler::give_format(const ListedVariable &v, const ValueFormat *fmt, bool informat)
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
bool Compiler::label_statement(size_t &pos, Stmt &, int &)
{
    // LABEL variable = 'label' ... ;
    for (; tokens_[pos].kind != TokenKind::Semicolon; pos += 3) {
        if (!is_punct(tokens_[pos + 1], '=') || tokens_[pos + 2].kind != TokenKind::String)
            return expected("name='label' in the LABEL statement", pos);
        p_.labels.emplace_back(tokens_[pos], tokens_[pos + 2].text);
    }
    ++pos;
    return true;
}

bool Compiler::keep_drop_statement(size_t &pos, Stmt &s, int &)
{
    // KEEP variables ;  |  DROP variables ;  (resolved once the step's variables are all known)
    const bool keep = is_word(s.at, "KEEP");
    std::vector<Token> &list = keep ? p_.keep : p_.drop;
    p_.has_keep = p_.has_keep || keep;
    for (; tokens_[pos].kind != TokenKind::Semicolon; ++pos)
        list.push_back(tokens_[pos]);
    ++pos;
    return true;
}

bool Compiler::rename_statement(size_t &pos, Stmt &, int &)
{
    // RENAME old = new ... ;
    for (; tokens_[pos].kind != TokenKind::Semicolon; pos += 3) {
        if (!is_punct(tokens_[pos + 1], '=') || tokens_[pos + 2].kind == TokenKind::Semicolon)
            return expected("old=new in the RENAME statement", pos);
        p_.renames.emplace_back(tokens_[pos], tokens_[pos + 2]);
    }
    ++pos;
    return true;
}

} // namespace quill::host

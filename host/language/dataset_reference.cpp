#include "language/dataset_reference.h"

#include "base/message_text.h"
#include "base/names.h"
#include "language/filtered_source.h"
#include "language/variable_lists.h"

namespace quill::host {

size_t dataset_tokens_end(const std::vector<Token> &tokens, size_t i, size_t end)
{
    if (i >= end)
        return i;
    ++i;
    if (i < end && is_punct(tokens[i], '(')) {
        int depth = 0;
        for (; i < end; ++i) {
            depth += is_punct(tokens[i], '(') - is_punct(tokens[i], ')');
            if (depth == 0)
                return i + 1;
        }
    }
    return i;
}

bool parse_dataset_reference(const std::vector<Token> &tokens, size_t begin, size_t end, DatasetLibrary &library,
                        DatasetReference &ref, std::string &error)
{
    if (begin >= end) {
        error = "A data set name is expected.";
        return false;
    }
    const Token &first = tokens[begin];
    switch (first.kind) {
    case TokenKind::String:
        if (first.text.empty()) {
            error = "The data set path is empty.";
            return false;
        }
        ref.name = library.file(first.text);
        break;
    case TokenKind::Compound: {
        const size_t dot = first.text.find('.');
        if (!library.name(first.text.substr(0, dot), first.text.substr(dot + 1), ref.name, error))
            return false;
        break;
    }
    case TokenKind::Name:
    case TokenKind::NameLiteral: {
        const std::string upper = upper_case(first.text);
        if (first.kind == TokenKind::Name && upper == "_LAST_") {
            if (!library.last()) {
                error = "There is no _LAST_ data set: no data set has been created yet.";
                return false;
            }
            ref.name = *library.last();
        } else if (first.kind == TokenKind::Name && upper == "_NULL_") {
            ref.is_null = true;
        } else if (!library.name("WORK", first.text, ref.name, error)) {
            return false;
        }
        break;
    }
    default:
        error = quoted_excerpt(first.source) + " is not a data set name.";
        return false;
    }
    size_t pos = begin + 1;
    if (pos == end)
        return true;
    if (!is_punct(tokens[pos], '(') || !is_punct(tokens[end - 1], ')')) {
        error = "Unexpected " + quoted_excerpt(tokens[pos].source) + " after the data set name.";
        return false;
    }
    ++pos;
    --end;
    while (pos < end) {
        const Token &option = tokens[pos];
        const std::string name = option.kind == TokenKind::Name ? upper_case(option.text) : std::string();
        const bool known = name == "KEEP" || name == "DROP" || name == "RENAME" || name == "WHERE" ||
                           name == "OBS" || name == "FIRSTOBS" || name == "IN" || name == "LABEL";
        if (!known || pos + 1 >= end || !is_punct(tokens[pos + 1], '=')) {
            error = "The data set option " + quoted_excerpt(option.source) +
                    " is not supported by this host; it takes KEEP=, DROP=, RENAME=, WHERE=, FIRSTOBS=, OBS=, "
                    "IN= and LABEL=.";
            return false;
        }
        pos += 2;
        if (name == "LABEL") {
            if (pos >= end || tokens[pos].kind != TokenKind::String) {
                error = "LABEL= needs a quoted text.";
                return false;
            }
            ref.label = tokens[pos++].text;
        } else if (name == "IN") {
            if (pos >= end || (tokens[pos].kind != TokenKind::Name && tokens[pos].kind != TokenKind::NameLiteral)) {
                error = "IN= needs the name of a variable.";
                return false;
            }
            ref.in_name = tokens[pos++];
            ref.has_in = true;
        } else if (name == "KEEP" || name == "DROP") {
            std::vector<Token> &list = name == "KEEP" ? ref.keep : ref.drop;
            (name == "KEEP" ? ref.has_keep : ref.has_drop) = true;
            // The list runs to the next "NAME =" or the closing parenthesis.
            while (pos < end && !(pos + 1 < end && is_punct(tokens[pos + 1], '=')))
                list.push_back(tokens[pos++]);
        } else if (name == "OBS" || name == "FIRSTOBS") {
            const Token &value = tokens[pos < end ? pos : end - 1];
            const bool max = pos < end && name == "OBS" && value.kind == TokenKind::Name && upper_case(value.text) == "MAX";
            if (pos >= end || (!max && (value.kind != TokenKind::Integer || value.number > 9e15 ||
                                        (name == "FIRSTOBS" && value.number < 1)))) {
                error = name + "= needs " + (name == "OBS" ? "a whole number or MAX" : "a whole number of 1 or more") +
                        (pos < end ? ", not " + quoted_excerpt(value.source) : std::string()) + ".";
                return false;
            }
            (name == "OBS" ? ref.obs : ref.firstobs) = max ? -1 : static_cast<long long>(value.number);
            ++pos;
        } else {
            // RENAME=(old=new ...) and WHERE=(expression): a parenthesised group.
            if (pos >= end || !is_punct(tokens[pos], '(')) {
                error = name + "= needs its value in parentheses: " +
                        (name == "RENAME" ? "RENAME=(old=new ...)." : "WHERE=(expression).");
                return false;
            }
            size_t close = pos;
            for (int depth = 0; close < end; ++close) {
                depth += is_punct(tokens[close], '(') - is_punct(tokens[close], ')');
                if (depth == 0)
                    break;
            }
            if (close >= end) {
                error = "The parenthesis after " + name + "= is not closed.";
                return false;
            }
            if (name == "WHERE") {
                ref.where.assign(tokens.begin() + static_cast<long>(pos) + 1, tokens.begin() + static_cast<long>(close));
                if (ref.where.empty()) {
                    error = "WHERE= needs an expression.";
                    return false;
                }
            } else {
                for (size_t k = pos + 1; k < close; k += 3) {
                    const auto is_name = [](const Token &t) {
                        return t.kind == TokenKind::Name || t.kind == TokenKind::NameLiteral;
                    };
                    if (k + 2 >= close + 1 || !is_name(tokens[k]) || !is_punct(tokens[k + 1], '=') ||
                        !is_name(tokens[k + 2])) {
                        error = "RENAME= takes pairs old=new; " + quoted_excerpt(tokens[k].source) + " does not begin one.";
                        return false;
                    }
                    ref.renames.emplace_back(tokens[k], tokens[k + 2]);
                }
            }
            pos = close + 1;
        }
    }
    return true;
}

bool apply_renames(const std::vector<std::pair<Token, Token>> &renames, std::vector<Variable> &variables,
                   std::string &error)
{
    if (renames.empty())
        return true;
    for (const auto &[from, to] : renames) {
        Variable *found = nullptr;
        for (Variable &v : variables)
            if (same_name(v.name, from.text))
                found = &v;
        if (!found) {
            error = "The variable " + from.text + " in the RENAME= list is not on the data set.";
            return false;
        }
        if (!is_storable_name(to.text) || (to.kind == TokenKind::Name && !is_valid_name(to.text))) {
            error = quoted_excerpt(to.text) + " is not a valid variable name.";
            return false;
        }
        found->name = to.text;
    }
    NameSet names;
    for (const Variable &v : variables)
        if (!names.insert(v.name)) {
            error = "RENAME= gives two variables the name " + v.name + ".";
            return false;
        }
    return true;
}

bool default_input(const DatasetLibrary &library, DatasetReference &ref, std::string &error)
{
    if (!library.last()) {
        error = "There is no default input data set: no data set has been created yet.";
        return false;
    }
    ref.name = *library.last();
    return true;
}

bool apply_dataset_options(const DatasetReference &ref, DatasetView &view, std::string &error)
{
    std::vector<bool> kept(view.variables.size(), !ref.has_keep);
    std::vector<int> numbers;
    if (ref.has_keep) {
        if (!resolve_variable_list(ref.keep, view.variables, numbers, error))
            return false;
        for (int n : numbers)
            kept[static_cast<size_t>(n - 1)] = true;
    }
    numbers.clear();
    if (ref.has_drop) {
        if (!resolve_variable_list(ref.drop, view.variables, numbers, error))
            return false;
        for (int n : numbers)
            kept[static_cast<size_t>(n - 1)] = false;
    }
    if (ref.has_keep || ref.has_drop)
        keep_variables(view, kept);
    return apply_renames(ref.renames, view.variables, error);
}

bool open_for_reading(const DatasetReference &ref, const DatasetLibrary &library, LogWriter &log, DatasetView &view,
                      std::string &error, const std::vector<Token> &extra_where)
{
    if (ref.has_in) {
        error = std::string(in_option_misplaced) + ".";
        return false;
    }
    ReadMessages messages;
    std::shared_ptr<const TableSource> source = library.open(ref.name, messages, error);
    for (const auto &[kind, text] : messages)
        log.line(kind, text);
    if (!source)
        return false;
    view = whole_view(std::move(source));
    if (!apply_dataset_options(ref, view, error))
        return false;
    if (ref.where.empty() && extra_where.empty() && ref.firstobs == 1 && ref.obs == -1)
        return true;
    return filter_view(view, ref.where, extra_where, ref.firstobs, ref.obs, error);
}

namespace {

bool is_word_operator(const Token &t)
{
    if (t.kind != TokenKind::Name)
        return false;
    const std::string word = upper_case(t.text);
    for (const char *w : {"AND", "OR", "NOT", "IN", "EQ", "NE", "LT", "LE", "GT", "GE"})
        if (word == w)
            return true;
    return false;
}

bool is_operand(const Token &t) { return t.kind != TokenKind::Punct && t.kind != TokenKind::Semicolon; }

std::string condition_text(const std::vector<Token> &tokens)
{
    std::string text;
    for (size_t k = 0; k < tokens.size(); ++k) {
        const Token &t = tokens[k];
        if (k > 0) {
            const Token &before = tokens[k - 1];
            if ((is_operand(before) && is_operand(t)) || is_word_operator(before) || is_word_operator(t) ||
                is_punct(before, ','))
                text += ' ';
        }
        text += t.source;
    }
    return text;
}

} // namespace

std::string where_text(const std::vector<Token> &where, const std::vector<Token> &extra_where)
{
    if (where.empty() || extra_where.empty())
        return condition_text(where.empty() ? extra_where : where);
    std::string text(1, '(');
    text.append(condition_text(where)).append(") and (").append(condition_text(extra_where)).append(")");
    return text;
}

void note_observations_read(LogWriter &log, long long count, const DatasetReference &ref,
                            const std::vector<Token> &extra_where)
{
    log.note("There were " + std::to_string(count) + " observations read from the data set " + ref.name.display + ".");
    const std::string condition = where_text(ref.where, extra_where);
    if (!condition.empty())
        log.plain("      WHERE " + condition + ";");
}

} // namespace quill::host

#include "language/dataset_reference.h"

#include "base/message_text.h"
#include "base/names.h"
#include "language/variable_lists.h"

namespace quill::host {
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
        const std::string name = upper_case(option.text);
        if (option.kind != TokenKind::Name || (name != "KEEP" && name != "DROP") || pos + 1 >= end ||
            !is_punct(tokens[pos + 1], '=')) {
            error = "Data set option " + quoted_excerpt(option.source) + " is not supported; use KEEP= or DROP=.";
            return false;
        }
        pos += 2;
        std::vector<Token> &list = name == "KEEP" ? ref.keep : ref.drop;
        (name == "KEEP" ? ref.has_keep : ref.has_drop) = true;
        // The list runs to the next "NAME =" or the closing parenthesis.
        while (pos < end && !(pos + 1 < end && is_punct(tokens[pos + 1], '=')))
            list.push_back(tokens[pos++]);
    }
    return true;
}

bool apply_dataset_options(const DatasetReference &ref, DatasetView &view, std::string &error)
{
    if (!ref.has_keep && !ref.has_drop)
        return true;
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
    keep_variables(view, kept);
    return true;
}

bool open_for_reading(const DatasetReference &ref, const DatasetLibrary &library, LogWriter &log, DatasetView &view,
                      std::string &error)
{
    ReadMessages messages;
    std::shared_ptr<const TableSource> source = library.open(ref.name, messages, error);
    for (const auto &[kind, text] : messages)
        log.line(kind, text);
    if (!source)
        return false;
    view = whole_view(std::move(source));
    return apply_dataset_options(ref, view, error);
}

} // namespace quill::host

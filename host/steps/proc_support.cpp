#include "steps/proc_support.h"

#include <algorithm>
#include <cstdio>

#include "base/message_text.h"
#include "base/names.h"
#include "language/variable_lists.h"

namespace quill::host {
bool read_step_options(Session &session, const Statement &statement, size_t first, const char *proc,
                       std::vector<StepOption> &options, size_t *stop)
{
    const auto &t = statement.tokens;
    const size_t end = t.size() - 1; // the ';'
    size_t i = first;
    for (; i < end && !is_punct(t[i], '/');) {
        if (t[i].kind != TokenKind::Name) {
            session.log.error(at_line("Option " + quoted_excerpt(t[i].source) + " is not known to PROC " + proc, t[i].line));
            return false;
        }
        StepOption option;
        option.name = upper_case(t[i].text);
        option.line = t[i].line;
        if (i + 1 < end && is_punct(t[i + 1], '=')) {
            if (i + 2 >= end) {
                session.log.error(at_line("A value is expected after " + option.name + "=", t[i].line));
                return false;
            }
            option.has_value = true;
            option.begin = i + 2;
            option.end = (option.name == "DATA" || option.name == "OUT") ? dataset_tokens_end(t, i + 2, end) : i + 3;
            i = option.end;
        } else {
            ++i;
        }
        options.push_back(std::move(option));
    }
    if (stop)
        *stop = i;
    return true;
}

bool open_step_input(Session &session, const Statement &statement, const StepOption *data, const char *proc,
                     DatasetReference &ref, DatasetView &view)
{
    std::string error;
    if (data) {
        if (!parse_dataset_reference(statement.tokens, data->begin, data->end, session.library, ref, error)) {
            session.log.error(at_line(error, data->line));
            return false;
        }
    } else if (!session.library.last()) {
        session.log.error(at_line(std::string("PROC ") + proc + " has no data set to read: give DATA=", statement.line()));
        return false;
    } else {
        ref.name = *session.library.last();
    }
    if (ref.is_null) {
        session.log.error(at_line(std::string("_NULL_ cannot be read by PROC ") + proc, statement.line()));
        return false;
    }
    if (!open_for_reading(ref, session.library, session.log, view, error)) {
        session.log.error(at_line(error, statement.line()));
        return false;
    }
    return true;
}

bool step_output_name(Session &session, const Statement &statement, const StepOption &out, DatasetReference &ref)
{
    std::string error;
    if (!parse_dataset_reference(statement.tokens, out.begin, out.end, session.library, ref, error)) {
        session.log.error(at_line(error, out.line));
        return false;
    }
    if (ref.has_keep || ref.has_drop) {
        session.log.error(at_line("KEEP= and DROP= are not taken by an output data set here", out.line));
        return false;
    }
    return true;
}

bool step_variables(Session &session, const Statement &statement, const std::vector<Variable> &variables,
                    std::vector<int> &numbers, size_t end)
{
    const auto &t = statement.tokens;
    std::vector<Token> list(t.begin() + 1, t.begin() + static_cast<std::ptrdiff_t>(end ? end : t.size() - 1));
    std::string error;
    if (!resolve_variable_list(list, variables, numbers, error)) {
        session.log.error(at_line(error, statement.line()));
        return false;
    }
    return true;
}

void unknown_statement(Session &session, const Statement &statement, const char *proc)
{
    const std::string what = statement.keyword().empty() ? quoted_excerpt(statement.tokens.front().source)
                                                          : statement.keyword();
    session.log.error(at_line("Statement " + what + " is not known to PROC " + proc, statement.line()));
}

void unknown_option(Session &session, const StepOption &option, const char *proc)
{
    session.log.error(at_line("Option " + option.name + " is not known to PROC " + proc, option.line));
}

std::string pad_text(const std::string &text, size_t width, bool right)
{
    if (text.size() >= width)
        return text;
    const std::string blanks(width - text.size(), ' ');
    return right ? blanks + text : text + blanks;
}

std::string centered(const std::string &text)
{
    constexpr size_t width = 80;
    return text.size() >= width ? text : std::string((width - text.size()) / 2, ' ') + text;
}

void print_listing_table(Listing &listing, const std::vector<ListingColumn> &columns, bool rule, size_t indent)
{
    std::vector<size_t> widths;
    size_t rows = 0, total = 0;
    for (const ListingColumn &c : columns) {
        size_t w = c.header.size();
        for (const std::string &cell : c.cells)
            w = std::max(w, cell.size());
        widths.push_back(w);
        rows = std::max(rows, c.cells.size());
        total += w + (total ? 2 : 0);
    }
    auto emit = [&](auto cell_of) {
        std::string line(indent, ' ');
        for (size_t k = 0; k < columns.size(); ++k)
            line += (k ? "  " : "") + pad_text(cell_of(k), widths[k], columns[k].right);
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        listing.line(line);
    };
    emit([&](size_t k) { return columns[k].header; });
    if (rule)
        listing.line(std::string(indent, ' ') + std::string(total, '-'));
    for (size_t r = 0; r < rows; ++r)
        emit([&](size_t k) { return r < columns[k].cells.size() ? columns[k].cells[r] : std::string(); });
}

std::string fixed_text(double value, int decimals)
{
    if (is_missing(value))
        return ".";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    if (std::string_view(text) == "-0" || (text[0] == '-' && std::string_view(text).find_first_not_of("-0.") == std::string_view::npos))
        return text + 1; // no minus sign on a zero
    return text;
}

} // namespace quill::host

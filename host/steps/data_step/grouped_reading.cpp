#include "steps/data_step/grouped_reading.h"

#include <algorithm>
#include <string_view>

#include "base/names.h"

namespace quill::host {
namespace {

// BY values in a row: an input's row (its key columns) or the reader's saved key (columns in order).
struct Key {
    const Row *row;
    const std::vector<size_t> *columns; // nullptr: column j holds the j-th BY variable
    size_t column(size_t j) const { return columns ? (*columns)[j] : j; }
};

// Where two keys first differ (the BY variable's index; the key count when equal) and their order.
struct Difference {
    int order = 0;
    size_t level = 0;
};

std::string_view without_trailing_blanks(std::string_view s)
{
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// Missing values come first, texts in byte order; DESCENDING turns one variable's order round.
Difference compare(const Reader &r, const Pdv &pdv, Key a, Key b)
{
    for (size_t j = 0; j < r.by.size(); ++j) {
        int c = 0;
        if (pdv.variables[static_cast<size_t>(r.by[j].slot)].type == VarType::Numeric) {
            const double x = a.row->numbers[a.column(j)], y = b.row->numbers[b.column(j)];
            const bool mx = is_missing(x), my = is_missing(y);
            c = mx || my ? (mx == my ? 0 : mx ? -1 : 1) : (x < y ? -1 : x > y);
        } else {
            const int t = without_trailing_blanks(a.row->texts[a.column(j)])
                              .compare(without_trailing_blanks(b.row->texts[b.column(j)]));
            c = t < 0 ? -1 : t > 0;
        }
        if (c != 0)
            return {r.by[j].descending ? -c : c, j};
    }
    return {0, r.by.size()};
}

Key next_key(const Reader::Input &in) { return {&in.rows[1 - in.current], &in.key_columns}; }
Key current_key(const Reader::Input &in) { return {&in.rows[in.current], &in.key_columns}; }
Key saved_key(const Reader &r) { return {&r.last_key, nullptr}; }

void save_key(Reader &r, Key k)
{
    r.last_key.resize(r.by.size());
    for (size_t j = 0; j < r.by.size(); ++j) {
        r.last_key.numbers[j] = k.row->numbers[k.column(j)];
        r.last_key.texts[j] = k.row->texts[k.column(j)];
    }
    r.has_last_key = true;
}

void set_flag(Row &values, int slot, bool on)
{
    if (slot >= 0)
        values.numbers[static_cast<size_t>(slot)] = on ? 1 : 0;
}

// Reads the input's next row into its spare buffer (none at its end); false with `error`.
bool advance(Reader::Input &in, std::string &error)
{
    in.ahead = false;
    if (!start_input(in, error))
        return false;
    if (in.ended)
        return true;
    switch (in.cursor->next(in.rows[1 - in.current], error)) {
    case RowCursor::Step::Row: in.ahead = true; return true;
    case RowCursor::Step::Failed: return false;
    case RowCursor::Step::End:
        in.ended = true;
        in.cursor.reset();
        return true;
    }
    return true;
}

// The input's next row becomes its current one and goes into the PDV; the row after it is read.
bool take(Reader::Input &in, const Pdv &pdv, Row &values, std::string &error)
{
    in.current = 1 - in.current;
    ++in.read;
    load_current_row(in, pdv, values);
    return advance(in, error);
}

// The input whose next row comes first in BY order (the earliest listed on a tie); -1 at the end.
int first_ahead(const Reader &r, const Pdv &pdv)
{
    int best = -1;
    for (size_t k = 0; k < r.inputs.size(); ++k) {
        const Reader::Input &in = r.inputs[k];
        if (in.ahead && (best < 0 || compare(r, pdv, next_key(in), next_key(r.inputs[static_cast<size_t>(best)])).order < 0))
            best = static_cast<int>(k);
    }
    return best;
}

bool out_of_order(const Reader &r, const Pdv &pdv, const Reader::Input &in)
{
    return in.ahead && compare(r, pdv, current_key(in), next_key(in)).order > 0;
}

std::string unsorted_message(const Reader::Input &in)
{
    return "BY variables are not properly sorted on data set " + in.ref.name.display + ".";
}

// FIRST.v is 1 when v or a BY variable before it changed from the last observation (first_level,
// the index of the first that changed); LAST.v likewise towards the next one.
void set_first_last(const Reader &r, Row &values, size_t first_level, size_t last_level)
{
    for (size_t j = 0; j < r.by.size(); ++j) {
        set_flag(values, r.by[j].first_slot, j >= first_level);
        set_flag(values, r.by[j].last_slot, j >= last_level);
    }
}

bool any_ahead(const Reader &r)
{
    return std::any_of(r.inputs.begin(), r.inputs.end(), [](const Reader::Input &in) { return in.ahead; });
}

// SET with BY: the next row in BY order among the data sets.
GroupedRead interleave(Reader &r, const Pdv &pdv, Row &values, std::string &error)
{
    const int i = first_ahead(r, pdv);
    if (i < 0)
        return GroupedRead::End;
    Reader::Input &in = r.inputs[static_cast<size_t>(i)];
    const size_t first_level = r.has_last_key ? compare(r, pdv, saved_key(r), next_key(in)).level : 0;
    if (i != r.last_input && r.last_input >= 0)
        for (int slot : r.slots) // another data set: the variables of the others start missing
            set_missing(values, slot);
    r.last_input = i;
    if (!take(in, pdv, values, error))
        return GroupedRead::Failed;
    for (size_t k = 0; k < r.inputs.size(); ++k)
        set_flag(values, r.inputs[k].in_slot, static_cast<int>(k) == i);
    save_key(r, current_key(in));
    const int next = first_ahead(r, pdv);
    const size_t last_level =
        next < 0 ? 0 : compare(r, pdv, saved_key(r), next_key(r.inputs[static_cast<size_t>(next)])).level;
    set_first_last(r, values, first_level, last_level);
    set_flag(values, r.end_slot, next < 0);
    if (out_of_order(r, pdv, in)) {
        error = unsorted_message(in);
        return GroupedRead::Unsorted;
    }
    return GroupedRead::Row;
}

// MERGE with BY: at a new BY group every variable read starts missing, and each iteration reads
// the next row of every data set that still has one in the group; the others keep their values.
GroupedRead match_merge(Reader &r, const Pdv &pdv, Row &values, LogWriter &log, std::string &error)
{
    size_t first_level = r.by.size();
    if (!r.in_group) {
        const int g = first_ahead(r, pdv);
        if (g < 0)
            return GroupedRead::End;
        const Key group = next_key(r.inputs[static_cast<size_t>(g)]);
        first_level = r.has_last_key ? compare(r, pdv, saved_key(r), group).level : 0;
        save_key(r, group);
        for (int slot : r.slots)
            set_missing(values, slot);
        for (Reader::Input &in : r.inputs) {
            in.group_rows = 0;
            set_flag(values, in.in_slot, in.ahead && compare(r, pdv, saved_key(r), next_key(in)).order == 0);
        }
        r.in_group = true;
    }
    const auto in_group = [&](const Reader::Input &in) {
        return in.ahead && compare(r, pdv, saved_key(r), next_key(in)).order == 0;
    };
    const Reader::Input *unsorted = nullptr;
    int repeating = 0;
    for (Reader::Input &in : r.inputs) {
        if (in_group(in)) {
            if (!take(in, pdv, values, error))
                return GroupedRead::Failed;
            ++in.group_rows;
            if (!unsorted && out_of_order(r, pdv, in))
                unsorted = &in;
        }
        repeating += in.group_rows > 1;
    }
    if (repeating > 1 && !r.repeats_noted) {
        log.note("MERGE statement has more than one data set with repeats of BY values.");
        r.repeats_noted = true;
    }
    size_t last_level = r.by.size();
    if (std::none_of(r.inputs.begin(), r.inputs.end(), in_group)) {
        r.in_group = false;
        const int next = first_ahead(r, pdv);
        last_level = next < 0 ? 0 : compare(r, pdv, saved_key(r), next_key(r.inputs[static_cast<size_t>(next)])).level;
    }
    set_first_last(r, values, first_level, last_level);
    set_flag(values, r.end_slot, !any_ahead(r));
    if (unsorted) {
        error = unsorted_message(*unsorted);
        return GroupedRead::Unsorted;
    }
    return GroupedRead::Row;
}

// MERGE without BY: the n-th rows of all data sets together; the variables of a data set that
// has ended are set missing once, before the others are read, and stay so unless assigned.
GroupedRead merge_by_position(Reader &r, const Pdv &pdv, Row &values, std::string &error)
{
    if (!any_ahead(r))
        return GroupedRead::End;
    for (Reader::Input &in : r.inputs)
        if (!in.ahead && !in.cleared) {
            in.cleared = true;
            for (const auto &column_slot : in.to_slots)
                set_missing(values, column_slot.second);
        }
    for (Reader::Input &in : r.inputs) {
        set_flag(values, in.in_slot, in.ahead);
        if (in.ahead && !take(in, pdv, values, error))
            return GroupedRead::Failed;
    }
    set_flag(values, r.end_slot, !any_ahead(r));
    return GroupedRead::Row;
}

} // namespace

GroupedRead read_grouped(Reader &r, const Pdv &pdv, Row &values, LogWriter &log, std::string &error)
{
    if (!r.primed) {
        r.primed = true;
        for (Reader::Input &in : r.inputs)
            if (!advance(in, error))
                return GroupedRead::Failed;
    }
    if (!r.merge)
        return interleave(r, pdv, values, error);
    return r.by.empty() ? merge_by_position(r, pdv, values, error) : match_merge(r, pdv, values, log, error);
}

bool start_input(Reader::Input &in, std::string &error)
{
    if (in.started)
        return true;
    in.started = true;
    std::vector<bool> wanted(in.view.source->describe().variables.size(), false);
    for (size_t c : in.view.columns)
        wanted[c] = true;
    in.cursor = in.view.source->rows(wanted, error);
    if (!in.cursor)
        return false;
    for (Row &row : in.rows)
        row.resize(wanted.size());
    return true;
}

void load_current_row(const Reader::Input &in, const Pdv &pdv, Row &values)
{
    const Row &row = in.rows[in.current];
    for (const auto &[column, slot] : in.to_slots) {
        const size_t i = static_cast<size_t>(slot);
        if (pdv.variables[i].type == VarType::Numeric) {
            values.numbers[i] = row.numbers[column];
        } else {
            const std::string &text = row.texts[column];
            values.texts[i].assign(utf8_prefix(text, pdv.variables[i].length));
        }
    }
}

void set_missing(Row &values, int slot)
{
    values.numbers[static_cast<size_t>(slot)] = missing_value();
    values.texts[static_cast<size_t>(slot)].clear();
}

} // namespace quill::host

// The INPUT statement as SAS programs write it: list input (a b $), column input
// (name $ 5-24, x 1-5 .2), formatted input (x 8.2, d date9., name $char20.), modified list input
// (d :date9., name & $30.: a value as list input finds it, read with the informat; & lets single
// blanks stand inside it), and the pointer controls @n, +n, @'text', #n and /. The layout is read
// from the statement once; each observation's lines are then read by it.
#ifndef QUILL_HOST_STEPS_DATA_STEP_INPUT_LAYOUT_H
#define QUILL_HOST_STEPS_DATA_STEP_INPUT_LAYOUT_H

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "language/format_catalog.h"
#include "modules/session.h"
#include "steps/step.h"

namespace quill::host {

struct InputItem {
    enum class Kind : unsigned char { Value, Column, Advance, Search, Line, NextLine };
    enum class Mode : unsigned char { List, Columns, Formatted };
    Kind kind = Kind::Value;
    // Value: the table column it fills and how its text is found.
    size_t column = 0;
    Mode mode = Mode::List;
    bool blanks_inside = false;  // &: a list value ends at two blanks
    size_t first = 0, last = 0;  // Columns: the columns, from 1
    int implied_decimals = -1;   // Columns: .d (-1 none)
    bool has_informat = false;   // the informat reads the text (Formatted, or a list value with one)
    ValueFormat informat;
    long amount = 0;             // Column: @n; Advance: +n; Line: #n
    std::string text;            // Search: @'text'
};

struct InputLayout {
    std::vector<InputItem> items;
    size_t lines = 1;                // lines each observation takes (#n, /)
    bool plain = true;               // list input only, as the data lines have always been read
    std::vector<char> fixed_length;  // per column: its length is given (column input, $w.)
};

// INPUT ...; appends its variables to `table` (names, types, lengths) and its items to `layout`.
// `informat_of` gives the informat an earlier INFORMAT statement gave a variable ("" none).
// False when an error was logged.
bool parse_input_layout(Session &session, const Statement &s,
                        const std::function<std::string(const std::string &name)> &informat_of, Table &table,
                        InputLayout &layout);

// One value an observation's lines gave: the text its item found there, and the line.
struct LayoutField {
    std::string text;
    size_t line = 0;      // among the observation's lines
    bool found = true;    // false: a list value the line ran out before
};

// Reads one observation from its lines (layout.lines of them; missing lines are empty), one
// field per column of the table; `delimiters` separate list values (blanks and tabs when empty).
void read_layout_record(const InputLayout &layout, const std::vector<std::string_view> &lines,
                        const std::string &delimiters, std::vector<LayoutField> &fields);

} // namespace quill::host

#endif

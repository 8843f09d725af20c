// PROC SORT DATA=ds <OUT=ds2> <NODUPKEY>; BY <DESCENDING> var ...; <FORMAT ...;> — orders the observations by
// the BY variables, stably (observations with equal keys keep their order), missing values lowest;
// NODUPKEY keeps the first observation of each key. Without OUT= the data set is replaced. The
// result is remembered as sorted by the BY variables for the rest of the run.
#include <algorithm>
#include <numeric>

#include "base/message_text.h"
#include "data/output_dataset.h"
#include "language/format_statement.h"
#include "steps/by_groups.h"
#include "steps/proc_support.h"

namespace quill::host {

void run_proc_sort(Session &session, const Step &step)
{
    std::vector<StepOption> options;
    if (!read_step_options(session, step.head, 2, "SORT", options))
        return;
    const StepOption *data = nullptr, *out = nullptr;
    bool nodupkey = false;
    for (const StepOption &o : options) {
        if (o.name == "DATA" && o.has_value)
            data = &o;
        else if (o.name == "OUT" && o.has_value)
            out = &o;
        else if (o.name == "NODUPKEY" && !o.has_value)
            nodupkey = true;
        else
            return unknown_option(session, o, "SORT");
    }
    DatasetReference ref, out_ref;
    DatasetView view;
    if (!open_step_input(session, step.head, data, "SORT", ref, view))
        return;
    if (out && !step_output_name(session, step.head, *out, out_ref))
        return;
    std::vector<ByKey> keys;
    for (const Statement &s : step.body) {
        // FORMAT gives the sorted data set's variables their formats.
        if (s.keyword() == "FORMAT" || s.keyword() == "INFORMAT") {
            std::string error;
            if (!apply_format_statement(s.tokens, session.formats, view.variables, error))
                return session.log.error(error);
            continue;
        }
        if (s.keyword() != "BY")
            return unknown_statement(session, s, "SORT");
        if (!read_by_statement(session, s, view.variables, keys))
            return;
    }
    if (keys.empty()) {
        session.log.error(at_line("PROC SORT needs a BY statement", step.head.line()));
        return;
    }
    Table table;
    std::string error;
    if (!read_view(view, table, error)) {
        session.log.error(at_line(error, step.head.line()));
        return;
    }
    note_observations_read(session.log, static_cast<long long>(table.rows), ref);

    std::vector<size_t> order(table.rows);
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return compare_rows(table, keys, a, b) < 0; });
    size_t kept = order.size();
    if (nodupkey) {
        kept = 0;
        for (size_t i = 0; i < order.size(); ++i)
            if (i == 0 || compare_rows(table, keys, order[kept - 1], order[i]) != 0)
                order[kept++] = order[i];
        session.log.note(std::to_string(order.size() - kept) + " observations with duplicate key values were deleted.");
    }

    if (out && out_ref.is_null)
        return;
    const DatasetName target = out ? out_ref.name : ref.name;
    OutputDataset output(session.library, session.log, target);
    if (!output.create(std::vector<Variable>(table.columns.begin(), table.columns.end())))
        return;
    Row row;
    row.resize(table.columns.size());
    for (size_t i = 0; i < kept; ++i) {
        for (size_t c = 0; c < table.columns.size(); ++c) {
            const Column &col = table.columns[c];
            if (col.type == VarType::Numeric)
                row.numbers[c] = col.numbers[order[i]];
            else
                row.texts[c] = col.texts[order[i]];
        }
        if (!output.write(row))
            return;
    }
    if (output.commit())
        session.library.set_sorted_by(target, by_names(table, keys));
}

} // namespace quill::host

// PROC SORT DATA=ds <OUT=ds2> <NODUPKEY>; BY <DESCENDING> var ...; — orders the observations by
// the BY variables, stably (observations with equal keys keep their order), missing values lowest;
// NODUPKEY keeps the first observation of each key. Without OUT= the data set is replaced. The
// result is remembered as sorted by the BY variables for the rest of the run.
#include <algorithm>
#include <numeric>

#include "steps/proc_frame.h"

namespace quill::host {

void run_proc_sort(ProcRun &run)
{
    DatasetReference out_ref;
    const StepOption *out = run.option("OUT");
    if (out && !run.output_name(*out, out_ref))
        return;
    if (run.by.empty()) {
        run.error("PROC SORT needs a BY statement", run.line());
        return;
    }
    const std::vector<ByKey> &keys = run.by;
    Session &session = run.session;
    Table table;
    if (!run.read(table))
        return;
    run.note_read();

    std::vector<size_t> order(table.rows);
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return compare_rows(table, keys, a, b) < 0; });
    size_t kept = order.size();
    if (run.flag("NODUPKEY")) {
        kept = 0;
        for (size_t i = 0; i < order.size(); ++i)
            if (i == 0 || compare_rows(table, keys, order[kept - 1], order[i]) != 0)
                order[kept++] = order[i];
        session.log.note(std::to_string(order.size() - kept) + " observations with duplicate key values were deleted.");
    }

    if (out && out_ref.is_null)
        return;
    DatasetReference target_ref;
    target_ref.name = run.input.name;
    const DatasetReference &target = out ? out_ref : target_ref;
    const std::unique_ptr<OutputDataset> output = run.make_output(target);
    if (!output->create(std::vector<Variable>(table.columns.begin(), table.columns.end()), by_names(table, keys)))
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
        if (!output->write(row))
            return;
    }
    run.commit(*output);
}

} // namespace quill::host

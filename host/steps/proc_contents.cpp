// PROC CONTENTS DATA=ds <VARNUM>; — describes a data set in the listing: its name, engine (the
// format that holds it), file, observations, variables and what it is sorted by when known, then
// its variables (alphabetically, or in their order with VARNUM) with number, type, length,
// format and label.
#include <algorithm>
#include <numeric>

#include "base/message_text.h"
#include "base/names.h"
#include "steps/proc_support.h"

namespace quill::host {

void run_proc_contents(Session &session, const Step &step)
{
    std::vector<StepOption> options;
    if (!read_step_options(session, step.head, 2, "CONTENTS", options))
        return;
    const StepOption *data = nullptr;
    bool varnum = false;
    for (const StepOption &o : options) {
        if (o.name == "DATA" && o.has_value)
            data = &o;
        else if (o.name == "VARNUM" && !o.has_value)
            varnum = true;
        else
            return unknown_option(session, o, "CONTENTS");
    }
    if (!step.body.empty())
        return unknown_statement(session, step.body.front(), "CONTENTS");
    DatasetReference ref;
    DatasetView view;
    if (!open_step_input(session, step.head, data, "CONTENTS", ref, view))
        return;

    const std::vector<Variable> &variables = view.variables;
    std::vector<size_t> order(variables.size());
    std::iota(order.begin(), order.end(), size_t{0});
    if (!varnum)
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return upper_case(variables[a].name) < upper_case(variables[b].name);
        });

    Listing &listing = session.listing;
    listing.begin_page(session.titles, session.footnotes);
    listing.line(centered("The CONTENTS Procedure"));
    listing.line("");
    std::vector<std::pair<std::string, std::string>> facts = {
        {"Data Set Name", ref.name.display},
        {"Engine", std::string(ref.name.format->name)},
        {"File", excerpt(ref.name.location.string(), path_excerpt_length)},
        {"Observations", std::to_string(view.rows())},
        {"Variables", std::to_string(variables.size())},
    };
    if (const std::string &member = view.source->describe().member; ref.name.in_transport_file)
        facts.insert(facts.begin() + 2, {"Member", member});
    if (const auto keys = session.library.sorted_by(ref.name); !keys.empty()) {
        std::string text;
        for (const std::string &key : keys)
            text += (text.empty() ? "" : " ") + key;
        facts.push_back({"Sorted by", text});
    }
    for (const auto &[what, value] : facts)
        listing.line(pad_text(what, 16, false) + value);
    listing.line("");
    listing.line(centered(varnum ? "Variables in Creation Order" : "Alphabetic List of Variables and Attributes"));
    listing.line("");
    ListingColumn number{"#", true, {}}, name{"Variable", false, {}}, type{"Type", false, {}}, length{"Len", true, {}},
        format{"Format", false, {}}, label{"Label", false, {}};
    for (size_t i : order) {
        const Variable &v = variables[i];
        number.cells.push_back(std::to_string(i + 1));
        name.cells.push_back(v.name);
        type.cells.push_back(v.type == VarType::Numeric ? "Num" : "Char");
        length.cells.push_back(std::to_string(v.length));
        format.cells.push_back(v.format);
        label.cells.push_back(v.label);
    }
    print_listing_table(listing, {number, name, type, length, format, label}, false);
    session.log.note("The data set " + ref.name.display + " is described in the listing.");
}

} // namespace quill::host

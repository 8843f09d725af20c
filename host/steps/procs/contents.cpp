// PROC CONTENTS DATA=ds <VARNUM> <OUT=ds2> <NOPRINT>; — describes a data set in the listing: its
// name, engine (the format that holds it), file, observations, variables and what it is sorted by
// when known, then its variables (alphabetically, or in their order with VARNUM) with number,
// type, length, format and label. OUT= writes the description as data, one observation per
// variable in alphabetical order; NOPRINT leaves the listing out. DATA=lib._ALL_ lists the
// library's members, then describes each; NODS lists them only.
#include <algorithm>
#include <numeric>

#include "base/message_text.h"
#include "base/names.h"
#include "steps/listing_table.h"
#include "steps/proc_frame.h"

namespace quill::host {
namespace {

// A format name as SAS's OUT= columns split it: "BEST12." is BEST, 12, 0; "8.2" is "", 8, 2;
// "$CHAR20." is $CHAR, 20, 0. A part that is absent is 0.
void split_format(const std::string &format, std::string &name, double &width, double &decimals)
{
    const size_t dot = format.rfind('.');
    std::string head = format.substr(0, dot);
    const std::string tail = dot == std::string::npos ? std::string() : format.substr(dot + 1);
    size_t digits = head.size();
    while (digits > 0 && head[digits - 1] >= '0' && head[digits - 1] <= '9')
        --digits;
    name = head.substr(0, digits);
    auto number = [](const std::string &text) {
        double value = 0;
        for (char c : text) {
            if (c < '0' || c > '9')
                return 0.0;
            value = value * 10 + (c - '0');
        }
        return value;
    };
    width = number(head.substr(digits));
    decimals = number(tail);
}

// The variables' numbers (from 0) in alphabetic order of their names.
std::vector<size_t> alphabetic_order(const std::vector<Variable> &variables)
{
    std::vector<size_t> order(variables.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return upper_case(variables[a].name) < upper_case(variables[b].name); });
    return order;
}

// The OUT= data set: LIBNAME MEMNAME NAME TYPE (1 numeric, 2 character) LENGTH VARNUM LABEL FORMAT
// FORMATL FORMATD INFORMAT INFORML INFORMD NOBS ENGINE SORTEDBY (the variable's place in the sort
// order, negative when DESCENDING; 0 when it is not a key or the order is not known).
bool write_description(const ProcRun &run, const DatasetName &name, const DatasetReference &out_ref,
                       const std::vector<Variable> &variables, const std::vector<size_t> &alphabetic,
                       size_t observations, const std::vector<std::string> &sorted_by)
{
    const std::string member = name.member.empty() ? upper_case(name.location.stem().string()) : name.member;
    size_t longest_name = 32, longest_label = 256, longest_format = 32;
    for (const Variable &v : variables) {
        longest_name = std::max(longest_name, v.name.size());
        longest_label = std::max(longest_label, v.label.size());
        longest_format = std::max({longest_format, v.format.size(), v.informat.size()});
    }
    auto text = [](const char *n, size_t length, const char *label) { return Variable{n, VarType::Character, length, label}; };
    auto number = [](const char *n, const char *label) { return Variable{n, VarType::Numeric, number_length, label}; };
    std::vector<Variable> columns = {
        text("LIBNAME", 8, "Library Name"),
        text("MEMNAME", std::max<size_t>(32, member.size()), "Library Member Name"),
        text("NAME", longest_name, "Variable Name"),
        number("TYPE", "Variable Type"),
        number("LENGTH", "Variable Length"),
        number("VARNUM", "Variable Number"),
        text("LABEL", longest_label, "Variable Label"),
        text("FORMAT", longest_format, "Variable Format"),
        number("FORMATL", "Format Length"),
        number("FORMATD", "Number of Format Decimals"),
        text("INFORMAT", longest_format, "Variable Informat"),
        number("INFORML", "Informat Length"),
        number("INFORMD", "Number of Informat Decimals"),
        number("NOBS", "Observations in Data Set"),
        text("ENGINE", 8, "Engine Name"),
        number("SORTEDBY", "Position of Variable in Sortedby Clause"),
    };
    const std::unique_ptr<OutputDataset> output = run.make_output(out_ref);
    if (!output->create(std::move(columns)))
        return false;
    Row row;
    row.resize(16);
    for (size_t i : alphabetic) {
        const Variable &v = variables[i];
        double sorted = 0;
        for (size_t k = 0; k < sorted_by.size(); ++k) {
            const bool descending = sorted_by[k].rfind("DESCENDING ", 0) == 0;
            if (sorted_by[k].substr(descending ? 11 : 0) == v.name)
                sorted = (descending ? -1.0 : 1.0) * static_cast<double>(k + 1);
        }
        row.texts[0] = name.libref;
        row.texts[1] = member;
        row.texts[2] = v.name;
        row.numbers[3] = static_cast<double>(v.type);
        row.numbers[4] = static_cast<double>(v.length);
        row.numbers[5] = static_cast<double>(i + 1);
        row.texts[6] = v.label;
        split_format(v.format, row.texts[7], row.numbers[8], row.numbers[9]);
        split_format(v.informat, row.texts[10], row.numbers[11], row.numbers[12]);
        row.numbers[13] = static_cast<double>(observations);
        row.texts[14] = std::string(name.format->name);
        row.numbers[15] = sorted;
        if (!output->write(row))
            return false;
    }
    return output->commit();
}

// The description of one data set in the listing.
void print_description(ProcRun &run, const DatasetReference &ref, const DatasetView &view, bool varnum)
{
    Session &session = run.session;
    const std::vector<Variable> &variables = view.variables;
    const std::vector<std::string> &keys = view.source->describe().sorted_by;
    std::vector<size_t> order = alphabetic_order(variables);
    if (varnum)
        std::iota(order.begin(), order.end(), size_t{0});
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
    if (const std::string &label = view.source->describe().label; !label.empty())
        facts.insert(facts.begin() + 1, {"Label", label});
    if (!keys.empty()) {
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
        format{"Format", false, {}}, informat{"Informat", false, {}}, label{"Label", false, {}};
    bool informats = false;
    for (size_t i : order) {
        const Variable &v = variables[i];
        number.cells.push_back(std::to_string(i + 1));
        name.cells.push_back(v.name);
        type.cells.push_back(v.type == VarType::Numeric ? "Num" : "Char");
        length.cells.push_back(std::to_string(v.length));
        format.cells.push_back(v.format);
        informat.cells.push_back(v.informat);
        informats = informats || !v.informat.empty();
        label.cells.push_back(v.label);
    }
    // The Informat column only when a variable has one, as SAS shows it.
    if (informats)
        print_listing_table(listing, {number, name, type, length, format, informat, label}, false);
    else
        print_listing_table(listing, {number, name, type, length, format, label}, false);
    session.log.note("The data set " + ref.name.display + " is described in the listing.");
}

// DATA=lib._ALL_: the library's directory, then (without NODS) each member's description.
void describe_library(ProcRun &run)
{
    Session &session = run.session;
    std::vector<std::string> members;
    std::string error;
    if (!session.library.members(run.members_of, members, error)) {
        run.error(error, run.line());
        return;
    }
    if (run.flag("NOPRINT"))
        return;
    Listing &listing = session.listing;
    listing.begin_page(session.titles, session.footnotes);
    listing.line(centered("The CONTENTS Procedure"));
    listing.line("");
    listing.line(centered("Directory"));
    listing.line("");
    listing.line(pad_text("Libref", 16, false) + run.members_of);
    listing.line("");
    print_member_list(listing, members);
    if (run.flag("NODS"))
        return;
    for (const std::string &member : members) {
        DatasetReference ref;
        DatasetView view;
        if (!session.library.name(run.members_of, member, ref.name, error) ||
            !open_for_reading(ref, session.library, session.log, view, error)) {
            run.error(error, run.line());
            continue;
        }
        print_description(run, ref, view, run.flag("VARNUM"));
    }
}

} // namespace

void run_proc_contents(ProcRun &run)
{
    if (!run.members_of.empty()) {
        if (run.option("OUT"))
            run.error("OUT= with DATA=" + run.members_of + "._ALL_ is not supported by this host", run.line());
        else
            describe_library(run);
        return;
    }
    if (run.flag("NODS"))
        run.session.log.note("NODS applies to DATA=lib._ALL_ only; the data set is described.");
    const StepOption *out = run.option("OUT");
    DatasetReference out_ref;
    if (out && !run.output_name(*out, out_ref))
        return;
    const std::vector<Variable> &variables = run.view.variables;
    if (out && !out_ref.is_null &&
        !write_description(run, run.input.name, out_ref, variables, alphabetic_order(variables), run.view.rows(),
                           run.view.source->describe().sorted_by))
        return;
    if (!run.flag("NOPRINT"))
        print_description(run, run.input, run.view, run.flag("VARNUM"));
}

} // namespace quill::host

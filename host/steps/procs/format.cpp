// PROC FORMAT <LIBRARY=ref> <FMTLIB>; VALUE ...; INVALUE ...; — defines formats and informats
// for the rest of the run (format_definition.h has the statements), each with "NOTE: Format
// AGEGRP has been output."; FMTLIB prints every one the run has, its ranges and labels.
// LIBRARY= names where SAS would store them: here they live for the run only, and a NOTE says so.
// A statement in error defines nothing; the others still do.
#include "base/message_text.h"
#include "base/names.h"
#include "base/number_text.h"
#include "language/format_definition.h"
#include "steps/listing_table.h"
#include "steps/proc_frame.h"

namespace quill::host {
namespace {

std::string target_text(const FormatRange &r, const UserFormat &f)
{
    switch (r.target) {
    case FormatRange::Target::Format: return std::string("[").append(r.nested->name()).append("]");
    case FormatRange::Target::Same: return "_SAME_";
    case FormatRange::Target::Error: return "_ERROR_";
    case FormatRange::Target::Label: break;
    }
    return f.informat && !f.character ? best_text(r.number) : r.label;
}

// FMTLIB: the format's name and width, then START, END and LABEL of each range.
void print_format(Listing &listing, const UserFormat &f)
{
    listing.line(std::string(f.informat ? "INFORMAT" : "FORMAT") + " NAME: " + f.shown_name() +
                 "   LENGTH: " + std::to_string(f.default_width) + "   NUMBER OF VALUES: " +
                 std::to_string(f.ranges.size() + (f.has_other ? 1 : 0)));
    std::vector<ListingColumn> columns = {{"START", false, {}}, {"END", false, {}},
                                          {f.informat ? "INVALUE" : "LABEL", false, {}}};
    auto add = [&](const FormatRange &r, bool other) {
        columns[0].cells.push_back(range_start_text(r, other));
        columns[1].cells.push_back(range_end_text(r, other));
        columns[2].cells.push_back(target_text(r, f));
    };
    for (const FormatRange &r : f.ranges)
        add(r, false);
    if (f.has_other)
        add(f.other, true);
    print_listing_table(listing, columns, true);
    listing.line("");
}

} // namespace

void run_proc_format(ProcRun &run)
{
    Session &session = run.session;
    for (const char *library : {"LIBRARY", "LIB"})
        if (const StepOption *o = run.option(library))
            session.log.note("Formats are kept for the run only: LIBRARY=" + upper_case(run.value(*o).source) +
                             " stores none.");
    for (const Statement *statement : run.statements) {
        const Statement &s = *statement;
        const std::string keyword = s.keyword();
        if (keyword != "VALUE" && keyword != "INVALUE") {
            run.error("The " + keyword + " statement is not supported by this host", s.line());
            continue;
        }
        auto format = std::make_shared<UserFormat>();
        std::string error;
        size_t at = 0;
        if (!parse_format_definition(s.tokens, session.formats, *format, error, at)) {
            session.log.error(at_line(error, s.tokens[at].line));
            continue;
        }
        session.formats.define(format);
        session.log.note(std::string(format->informat ? "Informat " : "Format ") + format->shown_name() +
                         " has been output.");
    }
    const auto all = session.formats.all();
    if (run.flag("FMTLIB") && !all.empty()) {
        session.listing.begin_page(session.titles, session.footnotes);
        for (const auto &f : all)
            print_format(session.listing, *f);
    }
}

} // namespace quill::host

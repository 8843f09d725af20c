// PROC DATASETS <LIBRARY=libref> <KILL> <NOLIST> <MEMTYPE=DATA> <NOWARN>; manages the members of
// one library (WORK by default):
//   DELETE names;     removes those data sets;
//   CHANGE old=new;   names a data set anew (its file renamed in the library's folder);
//   KILL              removes every data set of the library, before the statements act.
// Without NOLIST the library's members are listed after the statements have acted. A member that
// does not exist is a WARNING (none with NOWARN) and the others are still acted on.
#include "base/message_text.h"
#include "base/names.h"
#include "steps/listing_table.h"
#include "steps/proc_frame.h"

namespace quill::host {
namespace {

std::string library_of(ProcRun &run)
{
    const StepOption *lib = run.option("LIBRARY");
    if (!lib)
        lib = run.option("LIB");
    if (!lib)
        lib = run.option("DDNAME");
    return lib ? upper_case(run.value(*lib).text) : std::string("WORK");
}

void missing_member(ProcRun &run, const std::string &libref, const std::string &member, int line)
{
    if (!run.flag("NOWARN"))
        run.session.log.warning(at_line("The data set " + libref + "." + upper_case(member) + " was not found", line));
}

void delete_members(ProcRun &run, const std::string &libref, const std::vector<std::string> &members, int line)
{
    Session &session = run.session;
    for (const std::string &member : members) {
        DatasetName name;
        std::string error;
        if (!session.library.name(libref, member, name, error)) {
            run.error(error, line);
            continue;
        }
        std::error_code ec;
        if (!std::filesystem::exists(name.location, ec)) {
            missing_member(run, libref, member, line);
            continue;
        }
        if (session.library.remove_member(name, error))
            session.log.note("Deleting " + name.display + " (memtype=DATA).");
        else
            run.error(error, line);
    }
}

void change_members(ProcRun &run, const std::string &libref, const Statement &s)
{
    Session &session = run.session;
    const auto &t = s.tokens;
    for (size_t i = 1; i + 1 < t.size(); i += 3) {
        if (i + 2 >= t.size() || !is_punct(t[i + 1], '=') || t[i].kind != TokenKind::Name ||
            t[i + 2].kind != TokenKind::Name) {
            run.error("The CHANGE statement takes old=new pairs of data set names", s.line());
            return;
        }
        DatasetName name;
        std::string error;
        if (!session.library.name(libref, t[i].text, name, error)) {
            run.error(error, s.line());
            continue;
        }
        std::error_code ec;
        if (!std::filesystem::exists(name.location, ec)) {
            missing_member(run, libref, t[i].text, s.line());
            continue;
        }
        if (session.library.rename_member(name, t[i + 2].text, error))
            session.log.note("Changing the name " + name.display + " to " + libref + "." + upper_case(t[i + 2].text) +
                             " (memtype=DATA).");
        else
            run.error(error, s.line());
    }
}

std::vector<std::string> statement_names(const Statement &s)
{
    std::vector<std::string> names;
    for (size_t i = 1; i + 1 < s.tokens.size(); ++i)
        names.push_back(s.tokens[i].text);
    return names;
}

} // namespace

void run_proc_datasets(ProcRun &run)
{
    Session &session = run.session;
    const std::string libref = library_of(run);
    std::vector<std::string> members;
    std::string error;
    if (!session.library.members(libref, members, error)) {
        run.error(error, run.line());
        return;
    }
    if (run.flag("KILL"))
        delete_members(run, libref, members, run.line());
    for (const Statement *s : run.statements) {
        if (s->keyword() == "DELETE")
            delete_members(run, libref, statement_names(*s), s->line());
        else
            change_members(run, libref, *s);
    }
    if (run.flag("NOLIST") || !session.library.members(libref, members, error))
        return;
    Listing &listing = session.listing;
    listing.begin_page(session.titles, session.footnotes);
    listing.line(centered("The DATASETS Procedure"));
    listing.line("");
    listing.line(pad_text("Libref", 16, false) + libref);
    listing.line("");
    print_member_list(listing, members);
}

} // namespace quill::host

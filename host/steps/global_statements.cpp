// OPTIONS, LIBNAME, FILENAME, TITLE and FOOTNOTE, and ODS (not run): statements that take effect where they stand, inside a step or not.
#include <charconv>

#include "base/message_text.h"
#include "base/names.h"
#include "steps/global_statements.h"

namespace quill::host {
namespace {

// A token written right after the one before it, with no blank between them.
bool adjoins(const Token &before, const Token &t)
{
    return t.kind != TokenKind::Semicolon && t.kind != TokenKind::End && t.line == before.line &&
           t.column == before.column + static_cast<int>(before.source.size());
}

// CPUCOUNT=n (1 to 1024) or ACTUAL (0); false for any other value.
bool read_cpu_count(const std::string &value, int &count)
{
    if (upper_case(value) == "ACTUAL") {
        count = 0;
        return true;
    }
    int number = 0;
    const auto parsed = std::from_chars(value.data(), value.data() + value.size(), number);
    if (parsed.ec != std::errc() || parsed.ptr != value.data() + value.size() || number < 1 || number > 1024)
        return false;
    count = number;
    return true;
}

// The message for an option written in a form it does not take; empty when the form is right.
std::string misuse(const std::string &name, bool has_value)
{
    if (!has_value && name == "CPUCOUNT")
        return "CPUCOUNT needs a value: CPUCOUNT=n (a whole number from 1 to 1024) or CPUCOUNT=ACTUAL";
    if (!has_value && name == "VALIDVARNAME")
        return "VALIDVARNAME needs a value: VALIDVARNAME=V7, UPCASE or ANY";
    if (!has_value && name == "DEBUG")
        return "DEBUG needs a value: DEBUG='text'";
    if (has_value && (name == "THREADS" || name == "NOTHREADS"))
        return name + " takes no value: write " + name + " alone; CPUCOUNT=n sets the number of threads";
    return {};
}

// The macro processor's options: MPRINT, SYMBOLGEN (SGEN), MLOGIC, MINOPERATOR, SERROR, MERROR
// and their NO forms, MINDELIMITER='c'. False for any other name.
bool set_macro_option(MacroOptions &options, const std::string &name, const std::string &value, bool has_value)
{
    if (name == "MINDELIMITER" && has_value) {
        options.mindelimiter = value.empty() ? ' ' : value[0];
        return true;
    }
    const bool no = name.rfind("NO", 0) == 0;
    const std::string base = no ? name.substr(2) : name;
    bool *flag = base == "MPRINT"                        ? &options.mprint
                 : base == "SYMBOLGEN" || base == "SGEN" ? &options.symbolgen
                 : base == "MLOGIC"                      ? &options.mlogic
                 : base == "MINOPERATOR"                 ? &options.minoperator
                 : base == "SERROR"                      ? &options.serror
                 : base == "MERROR"                      ? &options.merror
                                                         : nullptr;
    if (!flag || has_value)
        return false;
    *flag = !no;
    return true;
}

} // namespace

// OPTIONS name[=value] ...; DEBUG='text' is the text a procedure reads as the DEBUG option;
// CPUCOUNT=n|ACTUAL, THREADS and NOTHREADS set how many threads procedures may use (the module
// run hands the limit to the procedure). A value is every token written without a blank after
// the equals sign, so that CPUCOUNT=-1 is quoted whole.
void run_options(Session &session, const Statement &statement)
{
    const auto &t = statement.tokens;
    size_t i = 1;
    while (i + 1 < t.size()) {
        if (t[i].kind != TokenKind::Name) {
            session.log.error(at_line("An option name is expected at " + quoted_excerpt(t[i].source), t[i].line));
            return;
        }
        const std::string name = upper_case(t[i].text);
        const int line = t[i].line;
        ++i;
        std::string value, written;
        bool has_value = false;
        if (i + 1 < t.size() && is_punct(t[i], '=')) {
            if (i + 2 >= t.size()) {
                session.log.error(at_line("A value is expected after " + name + "=", t[i].line));
                return;
            }
            value = t[i + 1].text;
            written = t[i + 1].source;
            has_value = true;
            i += 2;
            // A list in parentheses, FMTSEARCH=(WORK LIBRARY), is one value.
            for (int depth = is_punct(t[i - 1], '(') ? 1 : 0; depth > 0 && i + 1 < t.size(); ++i) {
                depth += is_punct(t[i], '(') ? 1 : is_punct(t[i], ')') ? -1 : 0;
                value += (depth > 0 && !is_punct(t[i - 1], '(') ? " " : "") + t[i].text;
                written += t[i].source;
            }
            for (; i + 1 < t.size() && adjoins(t[i - 1], t[i]); ++i) {
                value += t[i].text;
                written += t[i].source;
            }
        }
        if (const std::string message = misuse(name, has_value); !message.empty()) {
            session.log.error(at_line(message, line));
            return;
        }
        if (name == "DEBUG") {
            session.debug_option = value;
        } else if (name == "CPUCOUNT") {
            if (!read_cpu_count(value, session.cpu_count)) {
                session.log.error(at_line("CPUCOUNT= takes a whole number from 1 to 1024, or ACTUAL; " +
                                              quoted_excerpt(written) + " is neither",
                                          line));
                return;
            }
        } else if (name == "VALIDVARNAME") {
            const std::string rule = upper_case(value);
            if (rule != "V7" && rule != "UPCASE" && rule != "ANY") {
                session.log.error(at_line("VALIDVARNAME= takes V7, UPCASE or ANY; " + quoted_excerpt(written) +
                                              " is none of them",
                                          line));
                return;
            }
            session.validvarname = rule == "V7" ? NameRule::V7 : rule == "UPCASE" ? NameRule::Upcase : NameRule::Any;
        } else if (name == "THREADS" || name == "NOTHREADS") {
            session.threads = name == "THREADS";
        } else if (set_macro_option(session.macro_options, name, value, has_value)) {
        } else
            session.log.note("Option " + name + " is not used by this host and is ignored.");
    }
}

// LIBNAME ref 'folder'; LIBNAME ref V9 'folder'; LIBNAME ref XPORT 'file.xpt';
void run_libname(Session &session, const Statement &statement)
{
    const auto &t = statement.tokens;
    const bool has_engine = t.size() == 5 && t[2].kind == TokenKind::Name;
    const std::string engine_name = has_engine ? upper_case(t[2].text) : std::string();
    const Token &where = t[has_engine ? 3 : 2];
    if ((t.size() != 4 && !has_engine) || t[1].kind != TokenKind::Name || where.kind != TokenKind::String) {
        session.log.error(at_line("LIBNAME needs a libref and a quoted folder: LIBNAME ref <V9|XPORT> 'folder';",
                                  statement.line()));
        return;
    }
    LibraryEngine engine = LibraryEngine::Default;
    if (engine_name == "V9")
        engine = LibraryEngine::V9;
    else if (engine_name == "XPORT")
        engine = LibraryEngine::Xport;
    else if (has_engine) {
        session.log.error(at_line("The engine " + t[2].text + " is not known; use V9 (.sas7bdat files in a folder) or "
                                  "XPORT (a transport file)", t[2].line));
        return;
    }
    std::string error;
    if (!session.library.assign(t[1].text, where.text, error, engine)) {
        session.log.error(at_line(error, statement.line()));
        return;
    }
    const std::string ref = upper_case(t[1].text), shown = excerpt(where.text, path_excerpt_length);
    if (engine == LibraryEngine::Xport)
        session.log.note("Libref " + ref + " refers to the transport file " + shown + " (engine XPORT).");
    else if (engine == LibraryEngine::V9)
        session.log.note("Libref " + ref + " refers to the folder " + shown + " (engine V9).");
    else
        session.log.note("Libref " + ref + " refers to the folder " + shown + ".");
}

// FILENAME ref <DISK> 'file'; names a file for INFILE; FILENAME ref CLEAR; forgets it. Only
// files on disk: a device type that runs commands or reaches the network is refused.
void run_filename(Session &session, const Statement &statement)
{
    const auto &t = statement.tokens;
    const bool clear = t.size() == 4 && t[2].kind == TokenKind::Name && upper_case(t[2].text) == "CLEAR";
    const bool has_device = t.size() == 5 && t[2].kind == TokenKind::Name;
    const Token &where = t[has_device ? 3 : 2];
    if (t.size() < 4 || t[1].kind != TokenKind::Name ||
        (!clear && (t.size() > 5 || where.kind != TokenKind::String || where.text.empty()))) {
        session.log.error(at_line("FILENAME needs a fileref and a quoted file: FILENAME ref 'file'; or FILENAME ref CLEAR;",
                                  statement.line()));
        return;
    }
    const std::string ref = upper_case(t[1].text);
    if (!is_valid_name(ref) || ref.size() > 8) {
        session.log.error(at_line("The fileref " + t[1].text + " is not valid; it needs 1 to 8 characters and must "
                                  "be a name", t[1].line));
        return;
    }
    if (clear) {
        session.filerefs.erase(ref);
        return;
    }
    if (has_device && upper_case(t[2].text) != "DISK") {
        session.log.error(at_line("The device type " + upper_case(t[2].text) + " is not supported by this host; "
                                  "FILENAME names files on disk", t[2].line));
        return;
    }
    session.filerefs[ref] = where.text;
}

// TITLE 'text'; TITLEn 'text'; FOOTNOTE 'text'; FOOTNOTEn 'text'; a line without text clears it
// and every line after it.
void run_title(Session &session, const Statement &statement)
{
    const auto &t = statement.tokens;
    const std::string keyword = statement.keyword();
    const bool footnote = keyword.compare(0, 8, "FOOTNOTE") == 0;
    const size_t stem = footnote ? 8 : 5;
    std::vector<std::string> &lines = footnote ? session.footnotes : session.titles;
    const int number = keyword.size() > stem + 2 ? 0 : keyword.size() > stem ? std::stoi(keyword.substr(stem)) : 1;
    if (number < 1 || number > static_cast<int>(lines.size())) {
        session.log.error(at_line(footnote ? "Footnotes are numbered 1 to 10" : "Titles are numbered 1 to 10",
                                  statement.line()));
        return;
    }
    std::string text;
    if (t.size() == 3 && t[1].kind == TokenKind::String) {
        text = t[1].text;
    } else if (t.size() != 2) {
        session.log.error(at_line(keyword + " needs one quoted text", statement.line()));
        return;
    }
    lines[static_cast<size_t>(number - 1)] = text;
    for (size_t i = static_cast<size_t>(number); i < lines.size(); ++i)
        lines[i].clear();
}

void run_not_supported(Session &session, const Statement &statement)
{
    session.log.note("The " + statement.keyword() + " statement is not supported by this host and is ignored (line " +
                     std::to_string(statement.line()) + ").");
}

} // namespace quill::host

// OPTIONS, LIBNAME and TITLE: statements that take effect where they stand, inside a step or not.
#include <charconv>
#include <cstdlib>

#include "message_text.h"
#include "program_runner.h"

namespace quill::host {
namespace {

bool is_punct(const Token &t, char c) { return t.kind == TokenKind::Punct && t.text[0] == c; }

// The engine takes its thread limit from QUILL_THREADS at each call; no limit means every core.
void limit_threads(const Session &session)
{
    if (!session.threads)
        setenv("QUILL_THREADS", "1", 1);
    else if (session.cpu_count > 0)
        setenv("QUILL_THREADS", std::to_string(session.cpu_count).c_str(), 1);
    else
        unsetenv("QUILL_THREADS");
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

} // namespace

// OPTIONS name[=value] ...; DEBUG='text' is the text a procedure reads as the DEBUG option;
// CPUCOUNT=n|ACTUAL, THREADS and NOTHREADS set how many threads procedures may use.
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
        ++i;
        std::string value;
        bool has_value = false;
        if (i + 1 < t.size() && is_punct(t[i], '=')) {
            if (i + 2 >= t.size()) {
                session.log.error(at_line("A value is expected after " + name + "=", t[i].line));
                return;
            }
            value = t[i + 1].text;
            has_value = true;
            i += 2;
        }
        if (name == "DEBUG" && has_value) {
            session.debug_option = value;
        } else if (name == "CPUCOUNT" && has_value) {
            if (!read_cpu_count(value, session.cpu_count)) {
                session.log.error(at_line("CPUCOUNT= takes a whole number from 1 to 1024, or ACTUAL; " +
                                              quoted_excerpt(t[i - 1].source) + " is neither",
                                          t[i - 1].line));
                return;
            }
            limit_threads(session);
        } else if ((name == "THREADS" || name == "NOTHREADS") && !has_value) {
            session.threads = name == "THREADS";
            limit_threads(session);
        } else
            session.log.note("Option " + name + " is not used by this host and is ignored.");
    }
}

// LIBNAME ref 'folder';
void run_libname(Session &session, const Statement &statement)
{
    const auto &t = statement.tokens;
    if (t.size() != 4 || t[1].kind != TokenKind::Name || t[2].kind != TokenKind::String) {
        session.log.error(at_line("LIBNAME needs a libref and a quoted folder: LIBNAME ref 'folder';", statement.line()));
        return;
    }
    std::string error;
    if (!session.library.assign(t[1].text, t[2].text, error)) {
        session.log.error(at_line(error, statement.line()));
        return;
    }
    session.log.note("Libref " + upper_case(t[1].text) + " refers to the folder " + excerpt(t[2].text, path_excerpt_length) + ".");
}

// TITLE 'text'; TITLEn 'text'; a title without text clears it and every title after it.
void run_title(Session &session, const Statement &statement)
{
    const auto &t = statement.tokens;
    const std::string keyword = statement.keyword();
    const int number = keyword.size() > 7 ? 0 : keyword.size() > 5 ? std::stoi(keyword.substr(5)) : 1;
    if (number < 1 || number > static_cast<int>(session.titles.size())) {
        session.log.error(at_line("Titles are numbered 1 to 10", statement.line()));
        return;
    }
    std::string text;
    if (t.size() == 3 && t[1].kind == TokenKind::String) {
        text = t[1].text;
    } else if (t.size() != 2) {
        session.log.error(at_line(keyword + " needs one quoted text", statement.line()));
        return;
    }
    session.titles[static_cast<size_t>(number - 1)] = text;
    for (size_t i = static_cast<size_t>(number); i < session.titles.size(); ++i)
        session.titles[i].clear();
}

} // namespace quill::host

#include "steps/macro_variables.h"

#include <cctype>
#include <ctime>
#include <string_view>

#include "base/names.h"
#include "language/expression.h"

namespace quill::host {
namespace {

constexpr size_t max_text_length = 65534;

bool adjacent(const Token &a, const Token &b)
{
    return a.line == b.line && b.column == a.column + static_cast<int>(a.source.size());
}

bool name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::string sysdate9()
{
    static const char *const months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                         "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d%s%04d", local.tm_mday, months[local.tm_mon], local.tm_year + 1900);
    return text;
}

// The text of the program from just after token `from` to the start of token `to`.
std::string text_between(const std::vector<std::string> &lines, const Token &from, const Token &to)
{
    std::string text;
    int line = from.line;
    size_t column = static_cast<size_t>(from.column - 1) + from.source.size();
    while (line < to.line && line <= static_cast<int>(lines.size())) {
        const std::string &l = lines[static_cast<size_t>(line - 1)];
        if (column < l.size())
            text += l.substr(column);
        text += ' ';
        ++line;
        column = 0;
    }
    if (line == to.line && line <= static_cast<int>(lines.size())) {
        const std::string &l = lines[static_cast<size_t>(line - 1)];
        const size_t end = std::min(l.size(), static_cast<size_t>(to.column - 1));
        if (column < end)
            text += l.substr(column, end - column);
    }
    const size_t first = text.find_first_not_of(" \t");
    const size_t last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

} // namespace

std::string MacroVariables::macro_keyword(const std::vector<Token> &tokens)
{
    if (tokens.size() < 2 || !is_punct(tokens[0], '%') || tokens[1].kind != TokenKind::Name ||
        !adjacent(tokens[0], tokens[1]))
        return {};
    return upper_case(tokens[1].text);
}

bool MacroVariables::word_in_text(const std::vector<Token> &tokens, const Token &word)
{
    if (word.source.empty() || !name_char(word.source[0]))
        return false; // a string or comment left open: the rest of the program is in it
    const std::string keyword = macro_keyword(tokens);
    return (keyword == "LET" && tokens.size() >= 4 && is_punct(tokens[3], '=')) || (keyword == "PUT" && tokens.size() >= 2);
}

std::string MacroVariables::value(Session &session, const std::string &name, bool &found) const
{
    const std::string upper = upper_case(name);
    found = true;
    if (const auto it = values_.find(upper); it != values_.end())
        return it->second;
    if (upper == "SYSDATE9")
        return sysdate9();
    if (upper == "SYSLAST")
        return session.library.last() ? upper_case(session.library.last()->display) : "_NULL_";
    found = false;
    return {};
}

void MacroVariables::run(Session &session, const std::vector<Token> &tokens, const std::vector<std::string> &lines)
{
    const std::string keyword = macro_keyword(tokens);
    if (keyword == "LET") {
        if (tokens.size() < 4 || tokens[2].kind != TokenKind::Name || !is_punct(tokens[3], '=')) {
            session.log.error(at_place("%LET needs a name, = and a value: %LET name = value;", tokens[0]));
            return;
        }
        values_[upper_case(tokens[2].text)] = resolve_text(session, text_between(lines, tokens[3], tokens.back()), tokens[3]);
        return;
    }
    if (keyword == "PUT") {
        session.log.plain(resolve_text(session, text_between(lines, tokens[1], tokens.back()), tokens[1]));
        return;
    }
    session.log.error(at_place("The macro facility statement %" + keyword + " is not supported by this host", tokens[0]));
}

// &name and &name. in text. Past the longest value only the length is counted, for the message.
std::string MacroVariables::resolve_text(Session &session, const std::string &text, const Token &at) const
{
    std::string out;
    size_t length = 0;
    auto append = [&](std::string_view piece) {
        length += piece.size();
        if (out.size() < max_text_length)
            out.append(piece.substr(0, max_text_length - out.size()));
    };
    for (size_t i = 0; i < text.size();) {
        if (text[i] != '&' || i + 1 >= text.size() || !(std::isalpha(static_cast<unsigned char>(text[i + 1])) || text[i + 1] == '_')) {
            append(std::string_view(text).substr(i++, 1));
            continue;
        }
        size_t end = i + 1;
        while (end < text.size() && name_char(text[end]))
            ++end;
        const std::string name = text.substr(i + 1, end - i - 1);
        bool found = false;
        const std::string v = value(session, name, found);
        if (!found) {
            session.log.warning("Apparent symbolic reference " + upper_case(name) + " not resolved.");
            append(std::string_view(text).substr(i, end - i));
            i = end;
            continue;
        }
        append(v);
        i = end < text.size() && text[end] == '.' ? end + 1 : end;
    }
    if (length > max_text_length)
        session.log.error(at_place("The text expression length (" + std::to_string(length) + ") exceeds maximum length (" +
                                       std::to_string(max_text_length) + "). The text expression has been truncated to " +
                                       std::to_string(max_text_length) + " characters.",
                                   at));
    return out;
}

void MacroVariables::resolve(Session &session, std::vector<Token> &tokens) const
{
    size_t glued = tokens.size(); // a replaced token that was written against the token after it
    for (size_t i = 0; i < tokens.size();) {
        Token &t = tokens[i];
        if (t.kind == TokenKind::String && !t.source.empty() && t.source[0] == '"' &&
            t.text.find('&') != std::string::npos) {
            t.text = resolve_text(session, t.text, t);
            ++i;
            continue;
        }
        if (!is_punct(t, '&') || i + 1 >= tokens.size() || !adjacent(t, tokens[i + 1])) {
            ++i;
            continue;
        }
        const Token &ref = tokens[i + 1];
        std::string name, rest;
        if (ref.kind == TokenKind::Name) {
            name = ref.text;
        } else if (ref.kind == TokenKind::Format || ref.kind == TokenKind::Compound) {
            const size_t dot = ref.text.find('.');
            name = ref.text.substr(0, dot);
            rest = ref.text.substr(dot + 1); // &lib.member: the dot ends the name
        } else {
            ++i;
            continue;
        }
        bool found = false;
        const std::string v = value(session, name, found);
        if (!found) {
            session.log.warning("Apparent symbolic reference " + upper_case(name) + " not resolved.");
            i += 2;
            continue;
        }
        // The value and what is written right before and after it, tokenized again; the tokens
        // stand where the reference stood, for messages.
        std::string text = v + rest;
        size_t first = i, last = i + 2;
        if (i > 0 && (adjacent(tokens[i - 1], t) || glued == i - 1) &&
            (tokens[i - 1].kind == TokenKind::Name || tokens[i - 1].kind == TokenKind::Integer)) {
            text = tokens[i - 1].source + text;
            first = i - 1;
        }
        if (last < tokens.size() && adjacent(ref, tokens[last]) &&
            (tokens[last].kind == TokenKind::Name || tokens[last].kind == TokenKind::Integer)) {
            text += tokens[last].source;
            ++last;
        }
        std::vector<Token> replaced;
        Tokenizer tokenizer(text);
        for (Token r = tokenizer.next(); r.kind != TokenKind::End; r = tokenizer.next()) {
            // Where the reference stood, keeping the value's own spacing (** and || stay operators).
            if (r.line == 1)
                r.column += tokens[first].column - 1;
            r.line = tokens[first].line;
            replaced.push_back(std::move(r));
        }
        const bool touches_next = last < tokens.size() && adjacent(tokens[last - 1], tokens[last]);
        tokens.erase(tokens.begin() + static_cast<long>(first), tokens.begin() + static_cast<long>(last));
        tokens.insert(tokens.begin() + static_cast<long>(first), replaced.begin(), replaced.end());
        i = first + replaced.size(); // a value is not scanned again
        glued = touches_next && !replaced.empty() ? i - 1 : tokens.size();
    }
}

} // namespace quill::host

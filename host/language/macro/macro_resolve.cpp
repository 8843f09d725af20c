// Resolving: &references (with && and the rescan they ask for), macro function calls and macro
// calls inside text, run to completion with their text collected.
#include <cmath>
#include <cstdlib>

#include "language/macro/macro_expression.h"
#include "language/macro/macro_functions.h"
#include "language/macro/macro_processor.h"
#include "language/macro/macro_processor_state.h"
#include "language/macro/macro_quoting.h"
#include "language/macro/macro_sysfunc.h"
#include "language/macro/macro_text.h"

namespace quill::host {
namespace {

constexpr int max_rescans = 100;
constexpr int max_captured_depth = 100;

// The end of the reference group that starts with '&' at `at`: ampersands, names, the dots that
// end them and the name characters after such a dot (&&var&i, &lib..x, &a._b).
size_t reference_group_end(std::string_view text, size_t at)
{
    size_t j = at;
    for (;;) {
        if (j < text.size() && text[j] == '&') {
            size_t k = j;
            while (k < text.size() && text[k] == '&')
                ++k;
            if (k >= text.size() || !macro_name_start(text[k]))
                return j;
            j = macro_name_end(text, k);
            if (j < text.size() && text[j] == '.')
                ++j;
        } else if (j > at && j < text.size() && macro_name_char(text[j])) {
            j = macro_name_end(text, j);
        } else {
            return j;
        }
    }
}

bool has_trigger(std::string_view text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '&' && (macro_name_start(text[i + 1]) || text[i + 1] == '&'))
            return true;
    return false;
}

// %' %" %( %) %%: the character, hidden.
std::string percent_escapes(std::string_view raw)
{
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '%' && i + 1 < raw.size() && std::string_view("'\"()%").find(raw[i + 1]) != std::string_view::npos)
            out += mask_char(raw[++i]);
        else
            out += raw[i];
    }
    return out;
}

} // namespace

const std::string *MacroProcessor::lookup(const std::string &name) const
{
    if (name == "SYSMACRONAME") {
        const_cast<std::string &>(macro_name_) = current_macro();
        return &macro_name_;
    }
    return symbols_.find(name);
}

std::string MacroProcessor::resolve_text(std::string_view text)
{
    std::string out;
    char quote = 0;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (quote == '\'') {
            out += c;
            quote = c == '\'' ? 0 : quote;
            ++i;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c == '"' && quote == '"' ? 0 : c;
            out += c;
            ++i;
            continue;
        }
        if (c == '&' || c == '%') {
            const size_t end = resolve_one(text, i, out);
            if (end > i) {
                i = end;
                continue;
            }
        }
        out += c;
        ++i;
    }
    return out;
}

// A reference, function call or macro call at `at`: its text goes to `out`, the position after
// it is returned; `at` itself when nothing there is resolved.
size_t MacroProcessor::resolve_one(std::string_view text, size_t at, std::string &out)
{
    const char next = at + 1 < text.size() ? text[at + 1] : '\0';
    if (text[at] == '&') {
        if (!macro_name_start(next) && next != '&')
            return at;
        const size_t end = reference_group_end(text, at);
        if (end == at)
            return at;
        out += resolve_group(text.substr(at, end - at));
        return end;
    }
    if (text[at] != '%' || !macro_name_start(next))
        return at;
    const size_t name_end = macro_name_end(text, at + 1);
    const std::string word = macro_upper(text.substr(at + 1, name_end - at - 1));
    const size_t open = skip_macro_blanks(text, name_end);
    const bool parenthesis = open < text.size() && text[open] == '(';
    if (is_macro_function(word)) {
        const size_t close = parenthesis ? closing_parenthesis(text, open) : std::string_view::npos;
        if (close == std::string_view::npos) {
            error(parenthesis ? "Expected close parenthesis after macro function invocation not found."
                              : "Expected open parenthesis after macro function name not found.");
            return parenthesis ? text.size() : name_end;
        }
        out += function_call(word, text.substr(open + 1, close - open - 1));
        return close + 1;
    }
    if (is_macro_statement(word))
        return at;
    const auto macro = macros_.find(word);
    if (macro == macros_.end()) {
        if (options_.merror)
            log_.warning("Apparent invocation of macro " + word + " not resolved.");
        out.append(text.substr(at, name_end - at));
        return name_end;
    }
    if ((macro->second->parameters.empty() && !macro->second->parmbuff) || !parenthesis) {
        out += run_captured(word, {}, false);
        return name_end;
    }
    const size_t close = closing_parenthesis(text, open);
    const size_t end = close == std::string_view::npos ? text.size() : close;
    out += run_captured(word, text.substr(open + 1, end - open - 1), true);
    return std::min(end + 1, text.size());
}

// One pass over a reference group: && becomes &, &name its value; repeated while what comes out
// still holds a reference (&&var&i gives &var1, then its value).
std::string MacroProcessor::resolve_group(std::string_view group)
{
    std::string current(group);
    for (int pass = 0; pass < max_rescans; ++pass) {
        std::string out;
        for (size_t i = 0; i < current.size();) {
            if (current[i] != '&') {
                out += current[i++];
                continue;
            }
            size_t k = i;
            while (k < current.size() && current[k] == '&')
                ++k;
            if (k >= current.size() || !macro_name_start(current[k])) {
                out.append(current, i, k - i);
                i = k;
                continue;
            }
            const size_t amps = k - i;
            const size_t name_end = macro_name_end(current, k);
            const std::string written = current.substr(k, name_end - k);
            out.append(amps / 2, '&');
            if (amps >= 2 && options_.symbolgen)
                log_.plain("SYMBOLGEN:  && resolves to &.");
            i = name_end;
            if (amps % 2 == 0) {
                out += written;
                continue;
            }
            const std::string name = macro_upper(written);
            if (const std::string *value = lookup(name)) {
                if (options_.symbolgen)
                    log_.plain("SYMBOLGEN:  Macro variable " + name + " resolves to " + unmask_text(*value));
                out += *value;
                if (i < current.size() && current[i] == '.')
                    ++i;
            } else {
                if (options_.serror)
                    log_.warning("Apparent symbolic reference " + name + " not resolved.");
                out += "&" + written;
            }
        }
        const bool changed = out != current;
        current = std::move(out);
        if (!changed || !has_trigger(current))
            break;
        if (current.size() > 16 * max_macro_value) { // values that name themselves: no end to it
            error("A reference resolves to text that keeps growing; it is left as it is after " +
                  std::to_string(pass + 1) + " passes.");
            break;
        }
    }
    return current;
}

std::string MacroProcessor::run_captured(const std::string &name, std::string_view raw, bool has_args)
{
    if (sync_depth_ >= max_captured_depth) {
        error("Macro calls inside arguments are nested more than " + std::to_string(max_captured_depth) + " deep; " +
              name + " is not run.");
        return {};
    }
    std::string captured;
    captures_.push_back(&captured);
    ++sync_depth_;
    const size_t base = stack_.size();
    if (start_call(name, raw, has_args))
        while (stack_.size() > base)
            step();
    --sync_depth_;
    captures_.pop_back();
    return captured;
}

std::string MacroProcessor::function_call(const std::string &name, std::string_view raw)
{
    static const char *const quoting[] = {"STR", "NRSTR", "QUOTE", "NRQUOTE", "BQUOTE", "NRBQUOTE", "SUPERQ", "UNQUOTE"};
    for (const char *q : quoting)
        if (name == q)
            return quoting_function(name, raw);
    if (name == "EVAL" || name == "SYSEVALF")
        return evaluate(name, raw);
    if (name == "SYMEXIST" || name == "SYMGLOBL" || name == "SYMLOCAL" || name == "SYSMACEXIST") {
        const std::string target = macro_upper(trim_macro_blanks(unmask_text(resolve_text(raw))));
        const bool yes = name == "SYMEXIST"   ? lookup(target) != nullptr
                         : name == "SYMGLOBL" ? symbols_.is_global(target)
                         : name == "SYMLOCAL" ? symbols_.is_local(target)
                                              : macros_.count(target) > 0;
        return yes ? "1" : "0";
    }
    const std::vector<std::string> args = split_macro_arguments(resolve_text(raw));
    if (name == "SYSFUNC" || name == "QSYSFUNC") {
        if (args.size() > 2)
            error(macro_argument_count_error(name, args.size(), 1, 2));
        const std::string call = trim_macro_blanks(unmask_text(args[0]));
        const size_t open = call.find('(');
        std::string value;
        if (hooks_.host_function && open != std::string::npos && call.back() == ')' &&
            hooks_.host_function(macro_upper(trim_macro_blanks(call.substr(0, open))),
                                 split_macro_arguments(std::string_view(call).substr(open + 1, call.size() - open - 2)), value))
            return value;
        const SysfuncResult r = call_sysfunc(call, args.size() > 1 ? unmask_text(args[1]) : std::string());
        if (!r.error.empty())
            error(r.error);
        if (!r.warning.empty())
            log_.warning(r.warning);
        return name == "QSYSFUNC" ? mask_text(r.value) : r.value;
    }
    const MacroFunctionResult r = apply_text_function(name, args);
    if (!r.error.empty())
        error(r.error);
    if (!r.warning.empty())
        log_.warning(r.warning);
    return r.value;
}

std::string MacroProcessor::quoting_function(const std::string &name, std::string_view raw)
{
    if (name == "NRSTR")
        return mask_text(percent_escapes(raw), true);
    if (name == "STR")
        return resolve_text(mask_text(percent_escapes(raw), false));
    if (name == "SUPERQ") {
        const std::string target = macro_upper(trim_macro_blanks(unmask_text(resolve_text(raw))));
        if (const std::string *value = lookup(target))
            return mask_text(*value, true);
        if (options_.serror)
            log_.warning("Apparent symbolic reference " + target + " not resolved.");
        return {};
    }
    const bool escapes = name == "QUOTE" || name == "NRQUOTE";
    const std::string value = resolve_text(escapes ? percent_escapes(raw) : std::string(raw));
    if (name == "UNQUOTE")
        return resolve_text(unmask_text(value));
    return mask_text(value, name == "NRQUOTE" || name == "NRBQUOTE");
}

std::string MacroProcessor::evaluate(const std::string &name, std::string_view raw)
{
    const std::vector<std::string> args = split_macro_arguments(resolve_text(raw));
    const bool floating = name == "SYSEVALF";
    if (const std::string e = macro_argument_count_error(name, args.size(), 1, floating ? 2 : 1); !e.empty())
        error(e);
    MacroEvalSettings settings;
    settings.floating = floating;
    settings.in_operator = options_.minoperator;
    settings.in_delimiter = options_.mindelimiter;
    const MacroEvalResult result = evaluate_macro_expression(args[0], settings);
    if (result.error != MacroEvalError::None) {
        error(macro_eval_message(result, "%" + name, trim_macro_blanks(floating ? split_macro_arguments(raw)[0] : raw)));
        return {};
    }
    if (!floating || args.size() < 2)
        return result.value;
    const std::string conversion = macro_upper(trim_macro_blanks(unmask_text(args[1])));
    const double value = result.value == "." ? NAN : std::strtod(result.value.c_str(), nullptr);
    if (conversion == "BOOLEAN")
        return std::isnan(value) || value == 0 ? "0" : "1";
    if (std::isnan(value))
        return ".";
    if (conversion == "CEIL" || conversion == "FLOOR" || conversion == "INTEGER")
        return sysevalf_text(conversion == "CEIL" ? std::ceil(value) : conversion == "FLOOR" ? std::floor(value) : std::trunc(value));
    error("%SYSEVALF conversion type " + conversion + " is not valid: use BOOLEAN, CEIL, FLOOR or INTEGER.");
    return {};
}

} // namespace quill::host

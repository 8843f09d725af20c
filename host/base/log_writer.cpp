#include "base/log_writer.h"

namespace quill::host {

LineClass split_class_prefix(const char *&format)
{
    if (!format || format[0] != '%' || format[1] == '\0')
        return LineClass::Plain;
    LineClass kind = LineClass::Plain;
    const char digit = format[1], letter = format[2];
    if (letter == 'z' && digit == '1')
        kind = LineClass::Error;
    else if (letter == 'z' && digit == '2')
        kind = LineClass::Warning;
    else if (letter == 'z' && digit == '3')
        kind = LineClass::Note;
    else if (letter == 'h' && digit == '8')
        kind = LineClass::Banner;
    else if (letter == 't' && digit == '9')
        kind = LineClass::Title;
    if (kind != LineClass::Plain)
        format += 3;
    return kind;
}

std::string format_text(const char *format, va_list args)
{
    if (!format)
        return {};
    va_list copy;
    va_copy(copy, args);
    char small[512];
    const int needed = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0)
        return {};
    if (static_cast<size_t>(needed) < sizeof small)
        return std::string(small, static_cast<size_t>(needed));
    std::string out(static_cast<size_t>(needed) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<size_t>(needed));
    return out;
}

void LogWriter::line(LineClass kind, std::string_view text)
{
    auto strip = [](std::string_view s) {
        while (!s.empty() && s.front() == ' ')
            s.remove_prefix(1);
        return s;
    };
    std::string rendered;
    switch (kind) {
    case LineClass::Error: {
        std::string_view body = strip(text);
        // An error-class line that says "Warning:" is a warning, not an error.
        if (body.substr(0, 8) == "Warning:") {
            rendered = "WARNING: " + std::string(strip(body.substr(8)));
            ++warnings_;
        } else {
            rendered = "ERROR: " + std::string(body);
            ++errors_;
        }
        break;
    }
    case LineClass::Warning:
        rendered = "WARNING: " + std::string(strip(text));
        ++warnings_;
        break;
    case LineClass::Note: rendered = "NOTE: " + std::string(strip(text)); break;
    default: rendered = text; break;
    }
    sink_.write_line(rendered);
}

void Listing::close_page()
{
    bool any = false;
    for (const std::string &footnote : footnotes_)
        any = any || !footnote.empty();
    if (any) {
        sink_.write_line("");
        for (const std::string &footnote : footnotes_)
            if (!footnote.empty())
                sink_.write_line(footnote);
    }
    footnotes_.clear();
}

void Listing::begin_page(const std::vector<std::string> &titles, const std::vector<std::string> &footnotes)
{
    close_page();
    footnotes_ = footnotes;
    bool first = true;
    for (const std::string &title : titles) {
        if (title.empty())
            continue;
        sink_.write_line((pages_ > 0 && first ? "\f" : "") + title);
        first = false;
    }
    if (first && pages_ > 0)
        sink_.write_line("\f");
    sink_.write_line("");
    ++pages_;
}

void Listing::line(std::string_view text) { sink_.write_line(text); }

} // namespace quill::host

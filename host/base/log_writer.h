// The log and the listing. The log renders the class prefixes of formatted lines (%1z ERROR,
// %2z WARNING, %3z NOTE, %8h and %9t as is) and counts errors and warnings; the listing is a
// sequence of pages, each headed by the title lines.
#ifndef QUILL_HOST_LOG_WRITER_H
#define QUILL_HOST_LOG_WRITER_H

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_sink.h"

namespace quill::host {

enum class LineClass { Plain, Error, Warning, Note, Banner, Title };

// Splits a class prefix ("%1z", "%2z", "%3z", "%8h", "%9t") off a format.
LineClass split_class_prefix(const char *&format);
// printf into a string; the format never comes from user text.
std::string format_text(const char *format, va_list args);

class LogWriter {
public:
    explicit LogWriter(TextSink sink) : sink_(std::move(sink)) {}

    void line(LineClass kind, std::string_view text);
    void error(std::string_view text) { line(LineClass::Error, text); }
    void warning(std::string_view text) { line(LineClass::Warning, text); }
    void note(std::string_view text) { line(LineClass::Note, text); }
    void plain(std::string_view text) { line(LineClass::Plain, text); }

    int errors() const { return errors_; }
    int warnings() const { return warnings_; }
    const TextSink &sink() const { return sink_; }
    TextSink &sink() { return sink_; }

private:
    TextSink sink_;
    int errors_ = 0;
    int warnings_ = 0;
};

class Listing {
public:
    explicit Listing(TextSink sink) : sink_(std::move(sink)) {}

    // Starts a page headed by the non-empty titles; the non-empty footnotes close it (after a
    // blank line) when the next page begins or close_page is called.
    void begin_page(const std::vector<std::string> &titles, const std::vector<std::string> &footnotes = {});
    // Writes the footnotes of the page begun last, if not yet written: a procedure's output ends.
    void close_page();
    void line(std::string_view text);
    const TextSink &sink() const { return sink_; }
    TextSink &sink() { return sink_; }

private:
    TextSink sink_;
    int pages_ = 0;
    std::vector<std::string> footnotes_; // of the open page
};

} // namespace quill::host

#endif

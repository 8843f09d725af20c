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

namespace quill::host {

enum class LineClass { Plain, Error, Warning, Note, Banner, Title };

// Splits a class prefix ("%1z", "%2z", "%3z", "%8h", "%9t") off a format.
LineClass split_class_prefix(const char *&format);
// printf into a string; the format never comes from user text.
std::string format_text(const char *format, va_list args);

// An output stream: a file, standard output or standard error, or memory (for tests).
class TextSink {
public:
    static TextSink to_file(const std::filesystem::path &path); // created when first written
    static TextSink to_stream(std::FILE *stream);
    static TextSink to_memory();
    TextSink(TextSink &&other) noexcept;
    TextSink &operator=(TextSink &&) = delete;
    ~TextSink();

    // Creates a file sink's file now; false when it cannot be created.
    bool open_now();
    // Writes the line and a line end; control characters in it are shown as \xHH (shown_text.h).
    void write_line(std::string_view line);
    const std::vector<std::string> &lines() const { return memory_; } // memory sinks only
    bool failed() const { return failed_; }

private:
    TextSink() = default;
    std::FILE *file_ = nullptr;
    bool owned_ = false;
    bool in_memory_ = false;
    bool failed_ = false;
    std::filesystem::path path_;
    std::vector<std::string> memory_;
};

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

    // Starts a page headed by the non-empty titles.
    void begin_page(const std::vector<std::string> &titles);
    void line(std::string_view text);
    const TextSink &sink() const { return sink_; }

private:
    TextSink sink_;
    int pages_ = 0;
};

} // namespace quill::host

#endif

// The INFILE statement: a quoted path, DATALINES or CARDS, then options. The file is read a line
// at a time, as the data lines are, so INPUT has one way of reading either; a line is kept up to
// LRECL= bytes (SAS's default 32767), so that no line of a file can take all memory.
#include "steps/data_step/infile_statement.h"

#include "base/message_text.h"
#include "base/names.h"
#include "data/text_file.h"

namespace quill::host {
namespace {

constexpr size_t max_lrecl = 1073741823; // as SAS's

// The lines of the step's data lines, as they stand.
class DataLines : public RecordStream {
public:
    explicit DataLines(const std::vector<std::string> &lines) : lines_(lines) {}
    bool next(std::string &line, bool &cut, std::string &) override
    {
        cut = false;
        if (at_ >= lines_.size())
            return false;
        line = lines_[at_++];
        return true;
    }

private:
    const std::vector<std::string> &lines_;
    size_t at_ = 0;
};

// The lines of a file, each cut to LRECL=.
class FileLines : public RecordStream {
public:
    explicit FileLines(size_t lrecl) : lrecl_(lrecl) {}
    bool open(const std::filesystem::path &file, std::string &error) { return reader_.open(file, error); }
    bool next(std::string &line, bool &cut, std::string &error) override
    {
        return reader_.next_line(line, lrecl_, cut, error);
    }

private:
    TextFileReader reader_;
    size_t lrecl_;
};

// 'path' as written, or the fileref that names it.
std::string shown_path(const InfileRequest &request)
{
    if (!request.fileref.empty())
        return request.fileref;
    std::string shown(1, '\'');
    shown.append(excerpt(request.path, path_excerpt_length)).push_back('\'');
    return shown;
}

std::filesystem::path full_path(const std::string &path)
{
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? std::filesystem::path(path) : full.lexically_normal();
}

bool fail(Session &session, const std::string &message, int line)
{
    session.log.error(at_line(message, line));
    return false;
}

// A whole number of at least `least` as the value of an option.
bool whole_number(const Token &t, double least, size_t &value)
{
    if (t.kind != TokenKind::Integer || t.number < least || t.number > 9e15)
        return false;
    value = static_cast<size_t>(t.number);
    return true;
}

} // namespace

bool parse_infile_statement(Session &session, const Statement &statement, InfileRequest &request)
{
    const auto &t = statement.tokens;
    request.line = statement.line();
    const size_t end = t.size() - 1; // the ';'
    if (end < 2)
        return fail(session, "INFILE needs a quoted file path, a fileref, DATALINES or CARDS", request.line);
    const std::string target = upper_case(t[1].text);
    if (t[1].kind == TokenKind::String && !t[1].text.empty()) {
        request.data_lines = false;
        request.path = t[1].text;
    } else if (t[1].kind != TokenKind::Name) {
        return fail(session, "INFILE needs a quoted file path, a fileref, DATALINES or CARDS, not " +
                                 quoted_excerpt(t[1].source), t[1].line);
    } else if (target != "DATALINES" && target != "CARDS") {
        const auto named = session.filerefs.find(target);
        if (named == session.filerefs.end())
            return fail(session, "No logical assign for filename " + target + ".", t[1].line);
        request.data_lines = false;
        request.path = named->second;
        request.fileref = target;
    }
    for (size_t i = 2; i < end;) {
        const Token &name = t[i];
        const std::string option = name.kind == TokenKind::Name ? upper_case(name.text) : std::string();
        const bool has_value = i + 2 <= end && is_punct(t[i + 1], '=');
        const Token &value = has_value && i + 2 < end ? t[i + 2] : t[end];
        auto bad_value = [&](const std::string &what) {
            return fail(session, "The INFILE option " + option + "= needs " + what, name.line);
        };
        if (option == "DSD" || option == "MISSOVER" || option == "TRUNCOVER" || option == "FLOWOVER") {
            if (option == "DSD")
                request.layout.dsd = true;
            else
                request.layout.short_lines = option == "FLOWOVER" ? ShortLines::Flowover : ShortLines::Missover;
            ++i;
            continue;
        }
        if (!has_value || (option != "DLM" && option != "DELIMITER" && option != "FIRSTOBS" && option != "OBS" &&
                           option != "LRECL")) {
            const std::string what = option.empty() ? quoted_excerpt(name.source) : option;
            return fail(session, "The option " + what + " is not supported by this host in the INFILE statement", name.line);
        }
        size_t number = 0;
        if (option == "DLM" || option == "DELIMITER") {
            if (value.kind != TokenKind::String || value.text.empty())
                return bad_value("a quoted string of delimiter characters ('09'x for a tab)");
            request.layout.delimiters = value.text;
        } else if (option == "FIRSTOBS") {
            if (!whole_number(value, 1, number))
                return bad_value("a whole number of 1 or more");
            request.firstobs = number;
        } else if (option == "OBS") {
            if (value.kind == TokenKind::Name && upper_case(value.text) == "MAX")
                request.obs = std::numeric_limits<size_t>::max();
            else if (whole_number(value, 0, number))
                request.obs = number;
            else
                return bad_value("a whole number or MAX");
        } else if (!whole_number(value, 1, number) || number > max_lrecl) {
            return bad_value("a whole number from 1 to " + std::to_string(max_lrecl));
        } else {
            request.lrecl = number;
        }
        i += 3;
    }
    return true;
}

namespace {

void note_infile(LogWriter &log, const InfileRequest &request)
{
    log.note("The infile " + shown_path(request) + " is:");
    log.plain("      Filename=" + excerpt(full_path(request.path).string(), path_excerpt_length));
}

} // namespace

bool infile_text(Session &session, const InfileRequest &request, const std::vector<std::string> &data_lines,
                 int first_data_line, RawText &text)
{
    text.end = request.obs;
    text.first = request.firstobs - 1;
    if (request.data_lines) {
        text.number_of_first = first_data_line;
        text.open = [&data_lines](std::string &) { return std::make_unique<DataLines>(data_lines); };
        return true;
    }
    text.infile = shown_path(request);
    const std::filesystem::path file = full_path(request.path);
    const size_t lrecl = request.lrecl;
    text.open = [file, lrecl](std::string &error) -> std::unique_ptr<RecordStream> {
        auto lines = std::make_unique<FileLines>(lrecl);
        if (!lines->open(file, error))
            return nullptr;
        return lines;
    };
    std::string error;
    if (!text.open(error))
        return fail(session, error, request.line);
    note_infile(session.log, request);
    return true;
}

void note_infile_read(LogWriter &log, const InfileRequest &request, size_t records_read, bool cut)
{
    if (request.data_lines)
        return;
    log.note(std::to_string(records_read) + " records were read from the infile " + shown_path(request) + ".");
    if (cut)
        log.plain("      One or more lines were truncated at LRECL=" + std::to_string(request.lrecl) + ".");
}

} // namespace quill::host

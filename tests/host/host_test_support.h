// Helpers for the host tests: a scratch folder, token lists, a session writing to memory.
#ifndef QUILL_TESTS_HOST_TEST_SUPPORT_H
#define QUILL_TESTS_HOST_TEST_SUPPORT_H

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "data/csv/csv_store.h"
#include "language/tokenizer.h"
#include "modules/session.h"

namespace quill::host::testing {

class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quill-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path &path() const { return path_; }
    std::filesystem::path operator/(const std::string &name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline std::vector<Token> tokens_of(const std::string &text)
{
    Tokenizer tokenizer(text);
    std::vector<Token> tokens;
    for (Token t = tokenizer.next(); t.kind != TokenKind::End; t = tokenizer.next())
        tokens.push_back(t);
    return tokens;
}

inline void write_file(const std::filesystem::path &file, const std::string &text)
{
    std::ofstream(file, std::ios::binary) << text;
}

inline std::string read_file(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A session whose log and listing are kept in memory, with WORK in a scratch folder.
struct MemorySession {
    ScratchFolder folder;
    Session session{TextSink::to_memory(), TextSink::to_memory(), folder / "work", true};

    const std::vector<std::string> &log() const { return session.log.sink().lines(); }
    const std::vector<std::string> &listing() const { return session.listing.sink().lines(); }
    bool log_has(const std::string &text) const
    {
        for (const std::string &line : log())
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }
    // A WORK data set read through its library, whatever format holds it; empty when it cannot be read.
    Table work_table(const std::string &member) const
    {
        DatasetName name;
        std::string error;
        ReadMessages messages;
        Table table;
        if (!session.library.name("WORK", member, name, error))
            return table;
        const std::unique_ptr<TableSource> source = session.library.open(name, messages, error);
        if (source)
            read_table(*source, {}, table, error);
        return table;
    }
    // The same as the text of a CSV file (as PROC EXPORT writes it).
    std::string work_csv(const std::string &member) const
    {
        const std::filesystem::path file = folder / (member + ".exported.csv");
        std::string error;
        if (!write_csv_file(file, work_table(member), error))
            return error;
        return read_file(file);
    }
};

} // namespace quill::host::testing

#endif

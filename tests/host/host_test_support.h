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
};

} // namespace quill::host::testing

#endif

#include "dataset_library.h"

#include <stdlib.h>

#include <cctype>

#include "csv_store.h"
#include "exit_cleanup.h"
#include "message_text.h"

namespace quill::host {
namespace {

std::string lower_case(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The member's file in a folder: name.csv in any letter case, lower case when none exists yet.
std::filesystem::path member_file(const std::filesystem::path &folder, const std::string &member)
{
    const std::string wanted = lower_case(member) + ".csv";
    std::error_code ec;
    if (std::filesystem::exists(folder / wanted, ec))
        return folder / wanted;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (lower_case(it->path().filename().string()) == wanted)
            return it->path();
    return folder / wanted;
}

} // namespace

DatasetLibrary::DatasetLibrary(std::filesystem::path work, bool keep) : keep_(keep)
{
    std::error_code ec;
    if (work.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path(ec) / "quill-work-XXXXXX").string();
        if (!ec && ::mkdtemp(pattern.data()))
            work_ = pattern;
        keep_ = false;
    } else {
        std::filesystem::create_directories(work, ec);
        if (std::filesystem::is_directory(work, ec))
            work_ = work;
    }
    if (!work_.empty())
        librefs_["WORK"] = work_;
    if (!keep_ && !work_.empty())
        exit_cleanup::remove_folder_on_signal(work_);
}

DatasetLibrary::~DatasetLibrary()
{
    if (!keep_ && !work_.empty()) {
        exit_cleanup::forget_folder(work_);
        std::error_code ec;
        std::filesystem::remove_all(work_, ec);
    }
}

bool DatasetLibrary::assign(const std::string &libref, const std::filesystem::path &folder, std::string &error)
{
    const std::string ref = upper_case(libref);
    if (!is_valid_name(ref) || ref.size() > 8) {
        error = "The libref " + libref + " is not valid; it needs 1 to 8 characters and must be a name.";
        return false;
    }
    if (ref == "WORK") {
        error = "The libref WORK cannot be reassigned.";
        return false;
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        error = "The folder '" + excerpt(folder.string(), path_excerpt_length) + "' of libref " + ref + " does not exist.";
        return false;
    }
    librefs_[ref] = folder;
    return true;
}

bool DatasetLibrary::is_assigned(const std::string &libref) const
{
    return librefs_.count(upper_case(libref)) != 0;
}

bool DatasetLibrary::name(const std::string &libref, const std::string &member, DatasetName &out,
                          std::string &error) const
{
    const std::string ref = libref.empty() ? std::string("WORK") : upper_case(libref);
    const auto it = librefs_.find(ref);
    if (it == librefs_.end()) {
        error = "Libref " + ref + " is not assigned.";
        return false;
    }
    if (!is_valid_name(member)) {
        error = "The data set name " + member + " is not a valid name.";
        return false;
    }
    out.path = member_file(it->second, member);
    out.display = ref + "." + upper_case(member);
    return true;
}

DatasetName DatasetLibrary::file(const std::string &path) const
{
    std::string display(1, '\'');
    display += excerpt(path, path_excerpt_length);
    display += '\'';
    return DatasetName{std::filesystem::path(path), display};
}

DatasetName DatasetLibrary::default_output()
{
    std::string error;
    DatasetName out;
    std::error_code ec;
    do {
        name("WORK", "DATA" + std::to_string(++default_count_), out, error);
    } while (std::filesystem::exists(out.path, ec));
    return out;
}

std::vector<std::string> DatasetLibrary::prepare_output(const std::filesystem::path &target)
{
    std::vector<std::string> notes;
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::absolute(target, ec).parent_path();
    if (ec || !prepared_folders_.insert(folder).second)
        return notes;
    for (const auto &file : remove_stale_temporaries(folder))
        notes.push_back("The file " + file.string() + ", left unfinished by a run that has ended, is removed.");
    return notes;
}

bool DatasetLibrary::load(const DatasetName &name, Table &table, std::string &error,
                          ReadMessages &messages) const
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(name.path, ec)) {
        error = "Data set " + name.display + " does not exist.";
        return false;
    }
    return read_csv_file(name.path, table, error, messages);
}

} // namespace quill::host

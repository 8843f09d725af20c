#include "data/dataset_library.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "base/exit_cleanup.h"
#include "base/message_text.h"
#include "base/names.h"
#include "base/temporary_file.h"
#include "data/qds/qds_store.h"
#include "data/sas/sas_store.h"

namespace quill::host {
namespace {

// The file `wanted` in a folder, matched in any letter case; empty when there is none.
std::filesystem::path file_in(const std::filesystem::path &folder, const std::string &wanted)
{
    std::error_code ec;
    if (std::filesystem::exists(folder / wanted, ec))
        return folder / wanted;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (lower_case(it->path().filename().string()) == wanted)
            return it->path();
    return {};
}

// The member's file in a folder, in the one format that has one (only `only` when given); lower
// case in the format `fresh` (or `only`) when none exists yet. False with `error` when two
// formats have one.
bool find_member(const std::filesystem::path &folder, const std::string &member, const Format *only,
                 const Format *fresh, DatasetName &name, std::string &error)
{
    name.format = only ? only : fresh;
    name.location = folder / (lower_case(member) + std::string(name.format->extension));
    bool found = false;
    for (const Format *format : formats()) {
        if (only && format != only)
            continue;
        const std::filesystem::path file = file_in(folder, lower_case(member) + std::string(format->extension));
        if (file.empty())
            continue;
        if (found) {
            error = "Data set " + name.display + " is stored twice, as " +
                    excerpt(name.location.string(), path_excerpt_length) + " and as " +
                    excerpt(file.string(), path_excerpt_length) + "; remove one of them.";
            return false;
        }
        found = true;
        name.format = format;
        name.location = file;
    }
    return true;
}

// A temporary WORK folder is quill-work- and six letters or digits (mkdtemp's), and holds a lock
// file that its run keeps locked.
constexpr std::string_view work_prefix = "quill-work-";
constexpr const char *work_lock_name = ".quill-run.lock";

// The folder the C++ library's temp_directory_path would choose, named even when it is unusable.
std::filesystem::path system_temporary_folder()
{
    for (const char *variable : {"TMPDIR", "TMP", "TEMP", "TEMPDIR"})
        if (const char *value = std::getenv(variable); value && *value)
            return value;
    return "/tmp";
}

bool is_work_folder_name(const std::string &name)
{
    if (name.size() != work_prefix.size() + 6 || name.compare(0, work_prefix.size(), work_prefix) != 0)
        return false;
    for (size_t i = work_prefix.size(); i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

// Removes the temporary WORK folders of this user in `temporary` whose lock is free: runs killed
// outright (SIGKILL, a power cut) could not remove them. A folder without a lock file is not
// known to be abandoned and stays.
void remove_abandoned_work_folders(const std::filesystem::path &temporary)
{
    std::error_code ec;
    for (std::filesystem::directory_iterator it(temporary, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        struct stat folder{}, lock{};
        if (!is_work_folder_name(name) || ::lstat(it->path().c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode) ||
            folder.st_uid != ::geteuid())
            continue;
        const int dir = ::open(it->path().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int fd = dir < 0 ? -1 : ::openat(dir, work_lock_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0 && ::fstat(fd, &lock) == 0 && S_ISREG(lock.st_mode) && try_lock(fd, false)) {
            std::error_code remove_ec;
            std::filesystem::remove_all(it->path(), remove_ec);
        }
        if (fd >= 0)
            ::close(fd);
        if (dir >= 0)
            ::close(dir);
    }
}

// "A, B, C".
std::string listed(const std::vector<std::string> &names)
{
    std::string text;
    for (const std::string &name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

} // namespace

bool DatasetLibrary::make_temporary_work(std::string &problem)
{
    const std::filesystem::path temporary = system_temporary_folder();
    remove_abandoned_work_folders(temporary);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string pattern = (temporary / (std::string(work_prefix) + "XXXXXX")).string();
        std::string folder = pattern;
        if (!::mkdtemp(folder.data())) {
            problem = pattern + " cannot be created (" + std::strerror(errno) + ")";
            return false;
        }
        // Locked as soon as it exists; a folder another run's sweep took in between is left to it.
        const int fd = ::open((folder + "/" + work_lock_name).c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        struct stat status{};
        if (fd >= 0 && hold_lock(fd) && ::fstat(fd, &status) == 0 && status.st_nlink > 0) {
            work_ = folder;
            work_lock_ = fd;
            return true;
        }
        if (fd >= 0)
            ::close(fd);
        else
            ::rmdir(folder.c_str());
    }
    problem = (temporary / work_prefix).string() + "XXXXXX cannot be created (another run took it)";
    return false;
}

DatasetLibrary::DatasetLibrary(std::filesystem::path work, bool keep) : keep_(keep)
{
    std::error_code ec;
    if (work.empty()) {
        make_temporary_work(work_problem_);
        keep_ = false;
    } else {
        std::filesystem::create_directories(work, ec);
        std::error_code status_ec;
        if (std::filesystem::is_directory(work, status_ec))
            work_ = work;
        else
            work_problem_ = work.string() + (std::filesystem::exists(work, status_ec) ? " is not a folder"
                                             : " cannot be created (" + ec.message() + ")");
    }
    if (!work_.empty())
        librefs_["WORK"] = Library{work_, LibraryEngine::Default, &qds_format()};
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
    if (work_lock_ >= 0)
        ::close(work_lock_);
}

bool DatasetLibrary::assign(const std::string &libref, const std::filesystem::path &location, std::string &error,
                            LibraryEngine engine)
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
    const std::string shown = excerpt(location.string(), path_excerpt_length);
    if (engine == LibraryEngine::Xport) {
        if (std::filesystem::is_directory(location, ec)) {
            error = "The XPORT library " + ref + " is a transport file, and '" + shown + "' is a folder.";
            return false;
        }
        const std::filesystem::path folder = location.has_parent_path() ? location.parent_path() : ".";
        if (!std::filesystem::is_directory(folder, ec)) {
            error = "The folder of the transport file '" + shown + "' of libref " + ref + " does not exist.";
            return false;
        }
    } else if (!std::filesystem::is_directory(location, ec)) {
        error = "The folder '" + shown + "' of libref " + ref + " does not exist.";
        return false;
    }
    librefs_[ref] = Library{location, engine};
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
    out.libref = ref;
    out.member = upper_case(member);
    out.display = ref + "." + out.member;
    const Library &library = it->second;
    switch (library.engine) {
    case LibraryEngine::Xport:
        out.format = &xport_format();
        out.location = library.location;
        out.in_transport_file = true;
        return true;
    case LibraryEngine::V9:
        return find_member(library.location, member, &sas7bdat_format(), nullptr, out, error);
    case LibraryEngine::Default:
        break;
    }
    return find_member(library.location, member, nullptr, library.new_members, out, error);
}

DatasetName DatasetLibrary::file(const std::string &path) const
{
    std::string display(1, '\'');
    display += excerpt(path, path_excerpt_length);
    display += '\'';
    DatasetName name;
    name.location = path;
    const Format *format = format_for_extension(name.location.extension().string());
    name.format = format ? format : &default_format();
    name.display = display;
    return name;
}

DatasetName DatasetLibrary::default_output()
{
    std::string error;
    DatasetName out;
    std::error_code ec;
    do {
        name("WORK", "DATA" + std::to_string(++default_count_), out, error);
    } while (std::filesystem::exists(out.location, ec));
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

bool DatasetLibrary::may_replace_transport_file(const DatasetName &name, std::string &error) const
{
    std::error_code ec;
    const std::string shown = excerpt(name.location.string(), path_excerpt_length);
    const auto status = std::filesystem::symlink_status(name.location, ec);
    if (!std::filesystem::exists(status))
        return true;
    // A FIFO or device would block or take the data elsewhere: only a regular file is replaced.
    if (!std::filesystem::is_regular_file(std::filesystem::status(name.location, ec))) {
        error = "Data set " + name.display + " cannot be written: the transport file " + shown + " is not a regular file.";
        return false;
    }
    std::vector<std::string> held;
    if (!transport_member_names(name.location, held, error))
        return false;
    if (held.size() == 1 && held.front() == name.member)
        return true;
    error = "Data set " + name.display + " cannot be written: the transport file " + shown + " holds " + listed(held) +
            ", which would be lost (a transport file written here keeps one member).";
    return false;
}

bool DatasetLibrary::location(const std::string &libref, std::filesystem::path &where, bool &transport) const
{
    const auto it = librefs_.find(upper_case(libref));
    if (it == librefs_.end())
        return false;
    where = it->second.location;
    transport = it->second.engine == LibraryEngine::Xport;
    return true;
}

std::vector<std::string> DatasetLibrary::librefs() const
{
    std::vector<std::string> names;
    for (const auto &entry : librefs_)
        names.push_back(entry.first);
    return names;
}

bool DatasetLibrary::members(const std::string &libref, std::vector<std::string> &names, std::string &error) const
{
    const std::string ref = upper_case(libref);
    const auto it = librefs_.find(ref);
    if (it == librefs_.end()) {
        error = "Libref " + ref + " is not assigned.";
        return false;
    }
    const Library &library = it->second;
    std::error_code ec;
    if (library.engine == LibraryEngine::Xport) {
        ReadMessages messages;
        std::string ignored;
        const auto source = std::filesystem::exists(library.location, ec)
                                ? xport_format().open(library.location, messages, ignored)
                                : nullptr;
        if (source)
            names.push_back(upper_case(source->describe().member));
        return true;
    }
    std::set<std::string> found;
    for (std::filesystem::directory_iterator entry(library.location, ec), end; !ec && entry != end; entry.increment(ec)) {
        const std::filesystem::path &file = entry->path();
        const Format *format = format_for_extension(file.extension().string());
        if (!format || (library.engine == LibraryEngine::V9 && format != &sas7bdat_format()) ||
            !entry->is_regular_file(ec))
            continue;
        const std::string stem = file.stem().string();
        if (is_valid_name(stem))
            found.insert(upper_case(stem));
    }
    if (ec) {
        error = "The folder of libref " + ref + " cannot be read (" + ec.message() + ").";
        return false;
    }
    names.assign(found.begin(), found.end());
    return true;
}

bool DatasetLibrary::remove_member(const DatasetName &name, std::string &error)
{
    std::error_code ec;
    if (!std::filesystem::remove(name.location, ec) || ec) {
        error = "The data set " + name.display + " cannot be deleted (" +
                (ec ? ec.message() : std::string("it does not exist")) + ").";
        return false;
    }
    if (last_ && last_->location == name.location && last_->member == name.member)
        last_.reset();
    return true;
}

bool DatasetLibrary::rename_member(const DatasetName &name, const std::string &member, std::string &error)
{
    DatasetName target;
    if (!this->name(name.libref, member, target, error))
        return false;
    std::error_code ec;
    if (std::filesystem::exists(target.location, ec)) {
        error = "A data set named " + target.display + " already exists.";
        return false;
    }
    target.format = name.format;
    target.location = name.location.parent_path() / (lower_case(member) + std::string(name.format->extension));
    if (std::filesystem::exists(target.location, ec)) {
        error = "A data set named " + target.display + " already exists.";
        return false;
    }
    std::filesystem::rename(name.location, target.location, ec);
    if (ec) {
        error = "The data set " + name.display + " cannot be renamed (" + ec.message() + ").";
        return false;
    }
    if (last_ && last_->location == name.location && last_->member == name.member)
        last_ = target;
    return true;
}

std::unique_ptr<TableSource> DatasetLibrary::open(const DatasetName &name, ReadMessages &messages,
                                                   std::string &error) const
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(name.location, ec)) {
        error = "Data set " + name.display + " does not exist.";
        return nullptr;
    }
    if (!name.in_transport_file)
        return name.format->open(name.location, messages, error);
    // A member of an XPORT library is the one of its name in the transport file.
    std::vector<std::string> held;
    if (!transport_member_names(name.location, held, error))
        return nullptr;
    if (std::find(held.begin(), held.end(), name.member) == held.end()) {
        error = "Data set " + name.display + " does not exist; the transport file " +
                excerpt(name.location.string(), path_excerpt_length) + " holds " + listed(held) + ".";
        return nullptr;
    }
    return open_xport_member(name.location, name.member, messages, error);
}

} // namespace quill::host

// Where data sets live: the WORK library (a temporary folder unless kept), the libraries that
// LIBNAME assigns, and quoted file paths; plus _LAST_, the data set most recently created. A
// library has an engine. The default engine's member is the file of its name in the library's
// folder in whichever format of the registry (format.h) has one (two such files are an error, not
// a choice); a new member is a file of the default format (CSV), or in WORK of quill's own format
// (.qds), which keeps everything a data set has. V9 members are .sas7bdat files only. An XPORT
// library is one transport file, its members the data sets it holds. What describes a data set
// (labels, formats, the sort order) is what its file keeps: nothing is remembered beside it.
#ifndef QUILL_HOST_DATASET_LIBRARY_H
#define QUILL_HOST_DATASET_LIBRARY_H

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "data/format.h"

namespace quill::host {

struct DatasetName {
    std::string libref;             // upper case: WORK, EX; empty for a file path
    std::string member;             // upper case: BETAS; empty for a file path
    std::filesystem::path location; // the file that holds it
    const Format *format = &default_format();
    std::string display;            // WORK.BETAS, EX.PROSTATE or 'study/visits.csv'
    bool in_transport_file = false; // `location` is an XPORT library's file, `member` one of its data sets
};

enum class LibraryEngine { Default, V9, Xport };

class DatasetLibrary {
public:
    // Uses `work` as the WORK folder, created when missing; when `keep` is false it is removed
    // when the library is destroyed. An empty `work` makes a fresh temporary folder,
    // quill-work-XXXXXX in the system's temporary folder, holding a lock file for as long as the
    // run lasts; the temporary WORK folders that runs killed outright left there (their lock is
    // free) are removed first.
    DatasetLibrary(std::filesystem::path work, bool keep);
    ~DatasetLibrary();
    DatasetLibrary(const DatasetLibrary &) = delete;
    DatasetLibrary &operator=(const DatasetLibrary &) = delete;

    bool ok() const { return !work_.empty(); }
    // Why the WORK folder could not be made: "FOLDER cannot be created (REASON)".
    const std::string &work_problem() const { return work_problem_; }
    const std::filesystem::path &work_folder() const { return work_; }

    // `location` is a folder, or the transport file of an XPORT library (which need not exist yet).
    bool assign(const std::string &libref, const std::filesystem::path &location, std::string &error,
                LibraryEngine engine = LibraryEngine::Default);
    bool is_assigned(const std::string &libref) const;
    // The assigned librefs, upper case, in name order (WORK among them).
    std::vector<std::string> librefs() const;

    // A one- or two-level name; false with an error when the libref is unknown, a part is not a
    // valid name, or the member is stored in two formats ("... both FILE1 and FILE2 ...").
    bool name(const std::string &libref, const std::string &member, DatasetName &out, std::string &error) const;
    // A file path: the format its extension names, else the default.
    DatasetName file(const std::string &path) const;
    // The next free WORK.DATAn.
    DatasetName default_output();

    std::optional<DatasetName> last() const { return last_; }
    void set_last(const DatasetName &name) { last_ = name; }

    // Called before a data set or a plot is written to `target`: the first time its folder is
    // written to, the temporary files there that no writer holds any more (remove_stale_temporaries)
    // are removed, one note each.
    std::vector<std::string> prepare_output(const std::filesystem::path &target);

    // Whether writing the member `name` may replace its XPORT library's file, which keeps one
    // member: yes when the file does not exist or holds that member; no, with `error`, when it holds
    // another (which would be lost) or cannot be read.
    bool may_replace_transport_file(const DatasetName &name, std::string &error) const;

    // The members of the library `libref` (upper case, in name order): the files of its folder that a
    // format holds and whose name a data set may have; an XPORT library's member when its file
    // exists. False with `error` when the libref is not assigned or its folder cannot be read.
    bool members(const std::string &libref, std::vector<std::string> &names, std::string &error) const;
    // The folder of a libref (an XPORT library's file) and whether it is an XPORT library.
    bool location(const std::string &libref, std::filesystem::path &where, bool &transport) const;
    // Removes a member's file. False with `error`.
    bool remove_member(const DatasetName &name, std::string &error);
    // Names the member `name` `member` in its library (its file renamed in its folder, its format
    // kept). False with `error`, the member unchanged, when that name is taken.
    bool rename_member(const DatasetName &name, const std::string &member, std::string &error);

    // Opens a data set for reading and describes it; nullptr with an error that says "Data set X
    // does not exist." or what is wrong with it.
    std::unique_ptr<TableSource> open(const DatasetName &name, ReadMessages &messages, std::string &error) const;

private:
    bool make_temporary_work(std::string &problem);
    std::filesystem::path work_;
    std::string work_problem_;
    int work_lock_ = -1;
    bool keep_;
    struct Library {
        std::filesystem::path location;
        LibraryEngine engine;
        const Format *new_members = &default_format(); // the format of a member not yet written
    };
    std::map<std::string, Library> librefs_; // by upper-case libref
    std::optional<DatasetName> last_;
    int default_count_ = 0;
    std::set<std::filesystem::path> prepared_folders_;
};

} // namespace quill::host

#endif

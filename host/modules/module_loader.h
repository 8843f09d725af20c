// Procedure modules: PROC name is the module name.so on the module path. Loading dlopens it,
// calls its mcn_main with the host's interface vector and checks the image information record;
// running calls the procedure body with the end-run exception caught around it.
#ifndef QUILL_HOST_MODULE_LOADER_H
#define QUILL_HOST_MODULE_LOADER_H

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "api/module_interface.h"
#include "language/tokenizer.h"
#include "modules/session.h"

namespace quill::host {

struct LoadedModule {
    void *handle = nullptr;
    const qh_module_descriptor *descriptor = nullptr;
};

class ModuleLoader {
public:
    explicit ModuleLoader(std::vector<std::filesystem::path> path) : path_(std::move(path)) {}
    ~ModuleLoader();
    ModuleLoader(const ModuleLoader &) = delete;
    ModuleLoader &operator=(const ModuleLoader &) = delete;

    // The module of procedure `name` (upper case), or nullptr with `error` set. `found_file` is
    // false when no file of that name is on the path (the procedure does not exist).
    const LoadedModule *find(const std::string &name, bool &found_file, std::string &error);
    // The names of the procedure modules in the search path, upper case and sorted.
    std::vector<std::string> available() const;

private:
    std::vector<std::filesystem::path> path_;
    std::map<std::string, LoadedModule> loaded_;
};

// Runs one step of a module procedure; returns its return code.
int run_module_procedure(Session &session, const LoadedModule &module, const std::string &name,
                         std::vector<Token> step_tokens, int step_line);

} // namespace quill::host

#endif

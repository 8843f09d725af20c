#include "modules/module_loader.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>

#include "base/memory_shortage.h"
#include "modules/routine_operations.h"
#include "modules/run_context.h"
#include "base/message_text.h"
#include "base/names.h"

namespace quill::host {
namespace {

// The interface vector is one static record: modules keep its address for their lifetime.
Session *g_vector_session = nullptr;
std::string g_debug_option;

qh_proci_entry vector_load_module(const char *name)
{
    if (!name)
        return nullptr;
    if (std::strcmp(name, "SASPROCI") == 0 && !(g_vector_session && g_vector_session->hide_sasproci))
        return fill_routine_table;
    return nullptr; // SASPROCD, the debug variant, is not provided
}

qh_interface_vector g_vector = {QH_INTERFACE_VERSION, "", vector_load_module, routine_log, routine_end_run, 0};

} // namespace

ModuleLoader::~ModuleLoader()
{
    // Modules stay loaded until the host ends: a module may have registered destructors.
    for (auto &[name, module] : loaded_)
        if (module.handle)
            dlclose(module.handle);
}

std::vector<std::string> ModuleLoader::available() const
{
    std::vector<std::string> names;
    for (const auto &folder : path_) {
        std::error_code ec;
        for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::filesystem::path &file = it->path();
            if (file.extension() != ".so" || !std::filesystem::is_regular_file(file, ec))
                continue;
            const std::string name = upper_case(file.stem().string());
            if (is_valid_name(name) && name.rfind("LIB", 0) != 0 && std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

const LoadedModule *ModuleLoader::find(const std::string &name, bool &found_file, std::string &error)
{
    found_file = false;
    const auto it = loaded_.find(name);
    if (it != loaded_.end()) {
        found_file = true;
        return &it->second;
    }
    std::filesystem::path file;
    std::error_code ec;
    for (const auto &folder : path_) {
        const auto candidate = folder / (lower_case(name) + ".so");
        if (std::filesystem::is_regular_file(candidate, ec)) {
            file = candidate;
            break;
        }
    }
    if (file.empty())
        return nullptr;
    found_file = true;
    void *handle = dlopen(std::filesystem::absolute(file).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *why = dlerror();
        error = "The module " + file.string() + " of procedure " + name + " cannot be loaded: " + (why ? why : "unknown reason") + ".";
        return nullptr;
    }
    auto entry = reinterpret_cast<qh_mcn_main>(dlsym(handle, "mcn_main"));
    if (!entry) {
        dlclose(handle);
        error = "The module " + file.string() + " does not export mcn_main.";
        return nullptr;
    }
    const qh_image_information *image = entry(&g_vector, nullptr);
    char expected[8];
    std::memset(expected, ' ', sizeof expected);
    std::memcpy(expected, name.data(), std::min<size_t>(name.size(), sizeof expected));
    if (!image || std::strncmp(image->tag, QH_IMAGE_INFORMATION_TAG, sizeof image->tag) != 0 || !image->descriptor ||
        !image->descriptor->proc_main) {
        dlclose(handle);
        error = "The module " + file.string() + " did not return a valid image information record.";
        return nullptr;
    }
    if (std::memcmp(image->descriptor->proc_name, expected, sizeof expected) != 0) {
        // The message is built while the module's records are still mapped.
        std::string held(image->descriptor->proc_name, sizeof image->descriptor->proc_name);
        held.erase(held.find_last_not_of(' ') + 1);
        error = "The module " + file.string() + " holds procedure \"" + held + "\", not " + name + ".";
        dlclose(handle);
        return nullptr;
    }
    LoadedModule &module = loaded_[name];
    module.handle = handle;
    module.descriptor = image->descriptor;
    return &module;
}

int run_module_procedure(Session &session, const LoadedModule &module, const std::string &name,
                         std::vector<Token> step_tokens, int step_line)
{
    g_vector_session = &session;
    g_debug_option = session.debug_option;
    g_vector.debug_option = g_debug_option.c_str();
    g_vector.thread_limit = program_thread_limit(session);
    RunContext run(session, name, std::move(step_tokens), step_line);
    set_current_run(&run);
    int return_code = 0;
    try {
        module.descriptor->proc_main();
    } catch (const RunEnded &ended) {
        return_code = ended.return_code;
    } catch (const std::bad_alloc &shortage) {
        session.log.error(at_line(memory_shortage_message("PROC " + name, shortage), step_line));
        return_code = 3000;
    } catch (const std::exception &e) {
        session.log.error("Procedure " + name + " failed: " + e.what());
        return_code = 3000;
    } catch (...) {
        session.log.error("Procedure " + name + " failed with an unexpected exception.");
        return_code = 3000;
    }
    if (run.listing_line_open)
        session.listing.line(run.listing_line);
    run.finish(return_code);
    set_current_run(nullptr);
    return return_code;
}

} // namespace quill::host

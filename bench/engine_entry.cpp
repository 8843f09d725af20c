#include "engine_entry.h"

#include <dlfcn.h>

#include "matrix/cross_product_kernel.h"
#include "quill/runscad.h"

namespace quill::bench {

namespace {

void* load_entry(const std::string& build_folder, const char* name, std::string& error) {
    const std::string path = build_folder + "/libquill.so";
    // Local, and its own symbols before this build's: otherwise a call inside it to one of its
    // exported functions would reach this build's copy, and the two builds would be one.
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND);
    if (library == nullptr) {
        error = dlerror();
        return nullptr;
    }
    void* entry = dlsym(library, name);
    if (entry == nullptr) error = path + " has no " + name;
    return entry;
}

}  // namespace

runscad_function own_runscad() { return &runscad_path; }

runscad_function load_runscad(const std::string& build_folder, std::string& error) {
    return reinterpret_cast<runscad_function>(load_entry(build_folder, "runscad_path", error));
}

quill_fit_function own_quill_fit() { return &quill_fit; }

quill_fit_function load_quill_fit(const std::string& build_folder, std::string& error) {
    return reinterpret_cast<quill_fit_function>(load_entry(build_folder, "quill_fit", error));
}

std::vector<std::string> own_instruction_sets() {
    std::vector<std::string> names;
    for (const char* name : engine::detail::runnable_instruction_sets()) names.emplace_back(name);
    return names;
}

bool use_own_instruction_set(const std::string& name) {
    return engine::detail::use_instruction_set(name.empty() ? nullptr : name.c_str());
}

}  // namespace quill::bench

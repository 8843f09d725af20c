#include "engine_entry.h"

#include <dlfcn.h>

#include "quill/runscad.h"

namespace quill::bench {

runscad_function own_runscad() { return &runscad; }

runscad_function load_runscad(const std::string& build_folder, std::string& error) {
    const std::string path = build_folder + "/libquill.so";
    // Local, and its own symbols before this build's: otherwise a call inside it to one of its
    // exported functions would reach this build's copy, and the two builds would be one.
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND);
    if (library == nullptr) {
        error = dlerror();
        return nullptr;
    }
    void* entry = dlsym(library, "runscad");
    if (entry == nullptr) {
        error = path + " has no runscad";
        return nullptr;
    }
    return reinterpret_cast<runscad_function>(entry);
}

}  // namespace quill::bench

// Replays a fuzz corpus without libFuzzer: every file of the folders (or the files) given on the
// command line goes once through LLVMFuzzerTestOneInput. A target keeps what it writes in its own
// scratch folder: the replay fails when the current folder gained an entry.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

std::set<std::filesystem::path> current_folder()
{
    std::set<std::filesystem::path> names;
    for (const auto &entry : std::filesystem::directory_iterator("."))
        names.insert(entry.path().filename());
    return names;
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (std::filesystem::is_directory(argv[i])) {
            for (const auto &entry : std::filesystem::directory_iterator(argv[i]))
                if (entry.is_regular_file())
                    inputs.push_back(entry.path());
        } else {
            inputs.emplace_back(argv[i]);
        }
    }
    std::sort(inputs.begin(), inputs.end());
    const auto before = current_folder();
    for (const auto &input : inputs) {
        std::ifstream in(input, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    bool wrote_here = false;
    for (const auto &name : current_folder())
        if (!before.count(name)) {
            std::printf("left in the current folder: %s\n", name.c_str());
            wrote_here = true;
        }
    return inputs.empty() || wrote_here ? 1 : 0;
}

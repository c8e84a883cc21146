// Without libFuzzer (a gcc build) a fuzz target still runs its seed corpus and regression inputs,
// once each, as a libFuzzer program does with -runs=0: so every test run replays them. Takes the
// same arguments: files and folders of inputs; options (starting with "-") are ignored.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> InputFiles(const std::filesystem::path& argument)
{
    if (!std::filesystem::is_directory(argument))
        return {argument};
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(argument)) {
        if (entry.is_regular_file())
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool Replay(const std::filesystem::path& file)
{
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        std::fprintf(stderr, "Cannot read %s\n", file.c_str());
        return false;
    }
    const std::string input{std::istreambuf_iterator<char>(stream), {}};
    // Named before it runs: a failed property aborts the process.
    std::fprintf(stderr, "Running %s\n", file.c_str());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-')
            continue;
        for (const auto& file : InputFiles(argv[i])) {
            if (!Replay(file))
                return 1;
            ++replayed;
        }
    }
    std::fprintf(stderr, "Replayed %zu inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}

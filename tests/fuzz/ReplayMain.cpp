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

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-')
            continue;
        if (!fs::is_directory(argv[i]))
            files.emplace_back(argv[i]);
        else
            for (const auto& entry : fs::directory_iterator(argv[i]))
                files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        std::ifstream stream(file, std::ios::binary);
        if (!stream) {
            std::fprintf(stderr, "Cannot read %s\n", file.c_str());
            return 1;
        }
        const std::string input{std::istreambuf_iterator<char>(stream), {}};
        // Named before it runs: a failed property aborts the process.
        std::fprintf(stderr, "Running %s\n", file.c_str());
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    }
    std::fprintf(stderr, "Replayed %zu inputs\n", files.size());
    return files.empty() ? 1 : 0;
}

// The data disk's checked copy (write in pieces, sync, read back past the cache, compare, rename)
// through the Linux layer onto a plain folder, beside "cp; sync FILE; cmp" of the same file in the
// same run. Prints both throughputs, their ratio and the longest time one piece took.
//
// copy_verify [FOLDER [MIB]]: FOLDER defaults to a new one in /var/tmp (a disk, where /tmp may be
// memory), MIB to 64.

#include <wx/init.h>
#include <wx/log.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "update/VerifiedCopy.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr int kRounds = 3;

void WriteRandomFile(const fs::path& path, size_t bytes)
{
    std::mt19937_64 random(42);
    std::vector<uint64_t> words(bytes / sizeof(uint64_t));
    std::generate(words.begin(), words.end(), random);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(words.data()), static_cast<std::streamsize>(bytes));
}

std::string Quoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

Seconds TimeShellCopy(const fs::path& source, const fs::path& target)
{
    const std::string command = "cp " + Quoted(source) + " " + Quoted(target) + " && sync " +
                                Quoted(target) + " && cmp " + Quoted(source) + " " + Quoted(target);
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "copy_verify: \"%s\" failed\n", command.c_str());
    const Seconds taken = Clock::now() - start;
    fs::remove(target);
    return taken;
}

struct CheckedCopyRun
{
    Seconds taken;
    Seconds longestChunk;
};

CheckedCopyRun TimeCheckedCopy(const fs::path& source, const fs::path& folder)
{
    CheckedCopyRun run{};
    // The update hashes its files at the check, before the device is touched: not part of a copy.
    UpdateJournalFile expected;
    if (ReadWholeFile(source.string(), expected, [](uint64_t, uint64_t) { return true; }).status !=
        FileWorkStatus::Done)
        std::fprintf(stderr, "copy_verify: the source could not be read\n");
    expected.name = "copy";
    const auto start = Clock::now();
    auto last = start;
    const bool copied =
        CopyToDataDiskVerified(source.string(), folder.string(), expected, [&](uint64_t, uint64_t) {
            run.longestChunk = std::max<Seconds>(run.longestChunk, Clock::now() - last);
            last = Clock::now();
            return true;
        }).status == FileWorkStatus::Done;
    run.taken = Clock::now() - start;
    if (!copied)
        std::fprintf(stderr, "copy_verify: the checked copy failed\n");
    fs::remove(folder / "copy");
    return run;
}

double MegabytesPerSecond(size_t bytes, Seconds taken)
{
    return static_cast<double>(bytes) / 1e6 / taken.count();
}

} // namespace

int main(int argc, char** argv)
{
    wxInitializer wx;
    wxLog::SetActiveTarget(new wxLogStderr);
    char pattern[] = "/var/tmp/zephlark-copy-bench-XXXXXX";
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::path(mkdtemp(pattern));
    const size_t bytes = (argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 64) << 20;
    const fs::path source = folder / "source";
    WriteRandomFile(source, bytes);
    std::printf("copy_verify: %zu MiB in %s, best of %d\n", bytes >> 20, folder.c_str(), kRounds);

    Seconds shellBest = Seconds::max();
    Seconds checkedBest = Seconds::max();
    Seconds longestChunk{};
    for (int round = 0; round < kRounds; ++round) {
        shellBest = std::min(shellBest, TimeShellCopy(source, folder / "cp-copy"));
        const CheckedCopyRun run = TimeCheckedCopy(source, folder);
        checkedBest = std::min(checkedBest, run.taken);
        longestChunk = std::max(longestChunk, run.longestChunk);
    }
    fs::remove(source);
    if (argc <= 1)
        fs::remove(folder);

    const double shell = MegabytesPerSecond(bytes, shellBest);
    const double checked = MegabytesPerSecond(bytes, checkedBest);
    std::printf("cp + sync + cmp:  %7.1f MB/s (%.3f s)\n", shell, shellBest.count());
    std::printf("checked copy:     %7.1f MB/s (%.3f s)\n", checked, checkedBest.count());
    std::printf("ratio:            %7.2f\n", checked / shell);
    std::printf("longest chunk:    %7.1f ms (of all rounds)\n", longestChunk.count() * 1e3);
    return 0;
}

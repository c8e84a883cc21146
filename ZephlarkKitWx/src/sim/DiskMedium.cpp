// The simulated data disk under the POSIX disk file calls: a folder that takes writes at the
// device's speed, may change a byte once a file is synced, and reports the free space the
// device's settings give.
#include "DiskFileIo.h"
#include "DiskMedium.h"

#include <chrono>
#include <fstream>
#include <utility>

#include "MonotonicClock.h"
#include "sim/SimWorld.h"

// The first device's medium stands for every simulated disk: its speed, free space and the
// corruption of a copy.

void DiskMediumWrote(size_t size)
{
    uint64_t bytesPerSecond = 0;
    {
        sim::WorldAccess world;
        bytesPerSecond = world.Device().Settings().diskBytesPerSecond;
    }
    // Outside the world's lock: the reader and the device's ticker go on meanwhile.
    if (bytesPerSecond > 0)
        TheClock().SleepFor(std::chrono::nanoseconds{size * 1'000'000'000ull / bytesPerSecond});
}

void DiskMediumSynced(const wxString& path)
{
    std::optional<uint64_t> offset;
    {
        sim::WorldAccess world;
        offset = std::exchange(world.Device().Settings().corruptByteOfNextCopy, std::nullopt);
    }
    if (!offset)
        return;
    std::fstream file(path.fn_str(), std::ios::in | std::ios::out | std::ios::binary);
    char byte = 0;
    if (file.seekg(static_cast<std::streamoff>(*offset)).get(byte))
        file.seekp(static_cast<std::streamoff>(*offset)).put(static_cast<char>(~byte));
}

int64_t DiskFreeBytes(const wxString&)
{
    sim::WorldAccess world;
    return static_cast<int64_t>(world.Device().Settings().diskFreeBytes);
}

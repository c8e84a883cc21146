// Sleep inhibition on the simulated platform: nothing is asked of the host, but whether an
// inhibitor lives can be seen, so that tests can check when an update holds one.
#include "SleepInhibitor.h"

#include <atomic>

#include "sim/SimPlatform.h"

namespace {

std::atomic<int> liveInhibitors{0};

} // namespace

struct SleepInhibitor::Hold
{
};

SleepInhibitor::SleepInhibitor()
{
    ++liveInhibitors;
}

SleepInhibitor::~SleepInhibitor()
{
    --liveInhibitors;
}

namespace sim {

bool SleepInhibited()
{
    return liveInhibitors > 0;
}

} // namespace sim

#include "sim/PtyDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// The host's side: the slave end of the device's pseudo-terminal.
class PtyDeviceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(device.IsRunning());
        host = open(device.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(host, 0);
    }

    void TearDown() override
    {
        if (host >= 0)
            close(host);
    }

    // Reads until `expected` bytes came (or a generous limit passed), then returns what came.
    std::string Read(size_t expected)
    {
        std::string received;
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (received.size() < expected && std::chrono::steady_clock::now() < deadline) {
            pollfd fd{host, POLLIN, 0};
            if (poll(&fd, 1, 10) <= 0)
                continue;
            char buffer[512];
            const ssize_t count = read(host, buffer, sizeof buffer);
            if (count > 0)
                received.append(buffer, static_cast<size_t>(count));
        }
        return received;
    }

    sim::PtyDevice device;
    int host = -1;
};

// The update only ever sends short lines. Only a flood the host is slow to read fills the
// terminal, so that the device must hold back what the master did not take, and compact what it
// has sent; a terminal that is not raw would mangle the line ends and the invalid bytes.
TEST_F(PtyDeviceTest, EmittedFloodReachesASlowHostUnchanged)
{
    std::string flood = "chatter \xff\xfe\r\n";
    for (int i = 0; i < 100000; ++i)
        flood += static_cast<char>('a' + i % 26);
    device.Emit(flood);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(Read(flood.size()), flood);
}

} // namespace

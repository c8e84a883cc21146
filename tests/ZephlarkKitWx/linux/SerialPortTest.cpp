// The Linux serial layer on a umockdev tty, whose pseudo-terminal master plays the device: the
// shared contract (tests/contract) and what only termios has.
#include "Serial.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

#include "LogCapture.h"
#include "SerialDeviceEnd.h"
#include "Testbed.h"

namespace {

using std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::milliseconds{5000};

class PtyMasterEnd : public SerialDeviceEnd
{
public:
    PtyMasterEnd(std::shared_ptr<Testbed> testbed, const UsbSerialDevice& device)
        : testbed(std::move(testbed)), device(device)
    {
        this->testbed->Plug(device);
    }

    wxString PortName() override { return device.Node(); }
    wxString AbsentPortName() override { return "/dev/ttyACM9"; }

    void Send(const std::string& bytes) override
    {
        EXPECT_EQ(write(Master(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    std::string Received(size_t count) override
    {
        std::string received;
        pollfd watch{Master(), POLLIN, 0};
        char chunk[256];
        ssize_t got = 0;
        while (received.size() < count && poll(&watch, 1, kPatience.count()) == 1 &&
               (got = read(Master(), chunk, sizeof chunk)) > 0)
            received.append(chunk, static_cast<size_t>(got));
        return received;
    }

    // Putting /dev/null in the master's place closes the pty's device end, as an unplug does.
    bool HangUp() override
    {
        const int null = open("/dev/null", O_RDWR);
        const bool done = dup2(null, Master()) == Master();
        close(null);
        return done;
    }

    std::unique_ptr<SerialDeviceEnd> Another() override
    {
        return std::make_unique<PtyMasterEnd>(testbed, UsbSerialDevice{"1-2", "ttyACM1"});
    }

private:
    int Master() { return testbed->Master(device); }

    std::shared_ptr<Testbed> testbed;
    const UsbSerialDevice device;
};

// Writes until the line takes nothing more while the device end reads nothing. The kernel moves
// pty data on asynchronously, so room can reappear just after a write failed with EAGAIN: only a
// quiet spell of 200 ms counts as full.
void FillUntilStalled(int fd)
{
    const std::string block(4096, 'x');
    pollfd watch{fd, POLLOUT, 0};
    do {
        while (write(fd, block.data(), block.size()) > 0) {
        }
    } while (poll(&watch, 1, 200) == 1);
}

// Root opens anything whatever its mode; dropping the override capabilities from this thread's
// effective set (they stay permitted, so the destructor can take them back) makes the permission
// check real. A no-op for an ordinary user.
class WithoutFileOverride
{
public:
    WithoutFileOverride()
    {
        syscall(SYS_capget, &header, saved);
        __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &header, reduced);
    }
    ~WithoutFileOverride() { syscall(SYS_capset, &header, saved); }

private:
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{};
};

using TermiosPort = UmockdevTest;

// A pty master shares its slave's settings: umockdev's start raw, a previous user may leave a line
// cooked and slow.
TEST_F(TermiosPort, OpensRawAt115200AndAWriteGivesUpWhenTheDeviceTakesNothing)
{
    const UsbSerialDevice device{"1-1", "ttyACM0"};
    testbed->Plug(device);
    const int master = testbed->Master(device);
    SerialPort port;
    termios line{};
    ASSERT_EQ(tcgetattr(master, &line), 0);
    line.c_lflag |= ICANON | ECHO;
    cfsetspeed(&line, B9600);
    ASSERT_EQ(tcsetattr(master, TCSANOW, &line), 0);

    ASSERT_TRUE(ZephlarkSerialOpen(port, device.Node()));

    ASSERT_EQ(tcgetattr(master, &line), 0);
    EXPECT_EQ(cfgetospeed(&line), B115200);
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO), 0u);

    // The line fills while the device reads nothing: the write must give up, the port kept.
    const int filler = open(device.Node().c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(filler, 0);
    FillUntilStalled(filler);
    close(filler);
    LogCapture log;
    const auto start = steady_clock::now();

    EXPECT_EQ(ZephlarkSerialWrite(port, reinterpret_cast<const uint8_t*>("y"), 1), -1);

    EXPECT_LT(steady_clock::now() - start, std::chrono::seconds{10});
    EXPECT_TRUE(log.Contains("Serial write Failed: (0 != 1)"));
    EXPECT_TRUE(ZephlarkSerialIsOpen(port));
}

// The fix is given once per port for the whole process: a new name on every run, so that
// --gtest_repeat sees it again.
TEST_F(TermiosPort, ARefusedOpenIsLoggedWithItsFix)
{
    SerialPort port;
    static int runs = 0;
    const UsbSerialDevice refused{"1-5", "ttyACM" + std::to_string(10 + runs++)};
    testbed->Plug(refused);
    ASSERT_EQ(chmod(refused.Node().c_str(), 0), 0);
    WithoutFileOverride asOrdinaryUser;
    const int probe = open(refused.Node().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (probe >= 0) {
        close(probe);
        GTEST_SKIP() << "Mode 000 does not stop this process (capabilities not droppable)";
    }
    LogCapture log;

    EXPECT_FALSE(ZephlarkSerialOpen(port, refused.Node()));

    const auto said = log.Messages();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_TRUE(said[0].StartsWith("Cannot open " + refused.Node() +
                                   ": Permission denied. Install the udev rule"))
        << said[0];
}

} // namespace

std::unique_ptr<SerialDeviceEnd> MakeSerialDeviceEnd(std::string& refusal)
{
    refusal = UmockdevRefusal();
    if (!refusal.empty())
        return nullptr;
    return std::make_unique<PtyMasterEnd>(std::make_shared<Testbed>(),
                                          UsbSerialDevice{"1-1", "ttyACM0"});
}

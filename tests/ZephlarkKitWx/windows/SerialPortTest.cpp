// The serial layer on wine's serial driver: the shared contract (tests/contract) against the far
// end of a null-modem pair that the wine host (host/) joins.
// The host names the two ports in ZEPHLARK_TEST_PORT (the layer's) and ZEPHLARK_TEST_DEVICE_PORT.
#include "Serial.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include <windows.h>

#include "SerialDeviceEnd.h"

namespace {

using std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds{5};
// With both read intervals at MAXDWORD a read returns what is waiting, or nothing after this.
constexpr DWORD kDeviceReadWaitMs = 10;

wxString Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

class NullModemEnd : public SerialDeviceEnd
{
public:
    explicit NullModemEnd(HANDLE port) : port(port)
    {
        COMMTIMEOUTS timeouts{MAXDWORD, MAXDWORD, kDeviceReadWaitMs, 0, 0};
        SetCommTimeouts(port, &timeouts);
        PurgeComm(port, PURGE_RXCLEAR); // what an earlier test left unread
    }
    ~NullModemEnd() override { CloseHandle(port); }

    wxString PortName() override { return Environment("ZEPHLARK_TEST_PORT"); }
    wxString AbsentPortName() override { return "COM42"; }

    void Send(const std::string& bytes) override
    {
        DWORD written = 0;
        EXPECT_TRUE(
            WriteFile(port, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        EXPECT_EQ(written, bytes.size());
    }

    std::string Received(size_t count) override
    {
        std::string received;
        const auto deadline = steady_clock::now() + kPatience;
        while (received.size() < count && steady_clock::now() < deadline) {
            char chunk[256];
            DWORD got = 0;
            if (ReadFile(port, chunk, sizeof chunk, &got, nullptr))
                received.append(chunk, got);
        }
        return received;
    }

    bool HangUp() override { return false; }
    std::unique_ptr<SerialDeviceEnd> Another() override { return nullptr; } // one null modem

private:
    HANDLE port;
};

} // namespace

// This program only ever runs hosted: a missing device port is a failure, not a reason to skip.
std::unique_ptr<SerialDeviceEnd> MakeSerialDeviceEnd(std::string& refusal)
{
    const wxString name = Environment("ZEPHLARK_TEST_DEVICE_PORT");
    const HANDLE port = CreateFileW(("\\\\.\\" + name).wc_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (!name.empty() && port != INVALID_HANDLE_VALUE)
        return std::make_unique<NullModemEnd>(port);
    refusal = "no device port \"" + name.ToStdString() + "\": run through zephlark_wine_host";
    ADD_FAILURE() << refusal;
    return nullptr;
}

// zephlark-cli-sim: zephlark-cli on the built-in simulated device, for a demo without hardware
// and for the command's own tests, which set the device up through the environment:
//   ZEPHLARK_SIM_UNPLUGGED=1  no device (see sim/SimPlatform.h)
//   ZEPHLARK_SIM_BUSY=1       the port is held by another program
//   ZEPHLARK_SIM_QUICK=1      restarts, the data disk and the install take a fraction of a second
//   ZEPHLARK_SIM_VERSION=V    the device runs system version V (as after an install that another
//                             process began)
//   ZEPHLARK_SIM_NO_USB_SERIAL=1  its USB descriptor has no serial string
// Each setting holds for every device of ZEPHLARK_SIM_DEVICES.

#include <wx/init.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "cli/CliApp.h"
#include "sim/SimDevice.h"
#include "sim/SimPlatform.h"

wxIMPLEMENT_APP_NO_MAIN(CliApp);

namespace {

bool EnvironmentSays(const char* name)
{
    const char* value = std::getenv(name);
    return value && std::strcmp(value, "1") == 0;
}

void MakeQuick(sim::DeviceSettings& settings)
{
    using std::chrono::milliseconds;
    settings.restartDelay = milliseconds{300};
    settings.installStepDelay = milliseconds{100};
    settings.restartNoticeDelay = milliseconds{100};
    settings.flashDelay = milliseconds{300};
    settings.diskDelay = milliseconds{300};
    settings.ejectReturnDelay = milliseconds{300};
}

} // namespace

int main(int argc, char** argv)
{
    const char* version = std::getenv("ZEPHLARK_SIM_VERSION");
    for (size_t device = 0; device < sim::DeviceCount(); ++device) {
        if (EnvironmentSays("ZEPHLARK_SIM_BUSY"))
            sim::FailNextOpens(INT_MAX, SerialOpenFailure::InUse, device);
        sim::WithDevice(
            [version](sim::SimDevice& simulated) {
                if (EnvironmentSays("ZEPHLARK_SIM_QUICK"))
                    MakeQuick(simulated.Settings());
                simulated.Settings().usbSerialString =
                    !EnvironmentSays("ZEPHLARK_SIM_NO_USB_SERIAL");
                if (version)
                    simulated.Settings().version.sdk = simulated.Settings().version.build = version;
            },
            device);
    }
    return wxEntry(argc, argv);
}

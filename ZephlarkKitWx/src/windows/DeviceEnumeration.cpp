#include "windows/DeviceEnumeration.h"

#include <wx/log.h>

#include "windows/DiscoveryRules.h"

namespace {

constexpr DWORD kHardwareIdBufferBytes = 1024;

} // namespace

// The setup structures are fixed by the 64-bit ABI; a header that packs them differently would
// make every SetupAPI call fail with ERROR_INVALID_USER_BUFFER.
static_assert(sizeof(SP_DEVINFO_DATA) == 32, "SP_DEVINFO_DATA as 64-bit Windows lays it out");
static_assert(kErrorNoMoreItems == ERROR_NO_MORE_ITEMS);

DeviceInfoSet GetPresentDevices(const GUID& classGuid, const wchar_t* enumerator, DWORD flags)
{
    DeviceInfoSet set{ValidOrNull(SetupDiGetClassDevsW(&classGuid, enumerator, nullptr, flags))};
    if (!set)
        wxLogMessage("SetupDiGetClassDevs failed (%d)", static_cast<int>(GetLastError()));
    return set;
}

void ForEachDevice(HDEVINFO set, const std::function<bool(SP_DEVINFO_DATA&)>& visit)
{
    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA element{};
        element.cbSize = sizeof element;
        if (!SetupDiEnumDeviceInfo(set, index, &element)) {
            const DWORD error = GetLastError();
            if (!IsEndOfList(error))
                wxLogMessage("SetupDiEnumDeviceInfo failed (%d)", static_cast<int>(error));
            return;
        }
        if (visit(element))
            return;
    }
}

DeviceAncestry AncestryOf(const SP_DEVINFO_DATA& element)
{
    DeviceAncestry ancestry;
    DEVINST node = element.DevInst;
    for (;;) {
        wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
        const CONFIGRET status = CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN, 0);
        if (status != CR_SUCCESS) {
            wxLogMessage("CM_Get_Device_ID failed (%d)", static_cast<int>(status));
            return ancestry;
        }
        ancestry.push_back(id);
        DEVINST parent = 0;
        if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS)
            return ancestry; // the root has none
        node = parent;
    }
}

std::wstring HardwareIds(HDEVINFO set, SP_DEVINFO_DATA& element)
{
    // Zeroed, and handed over whole: a list that fills the buffer exactly comes without its NULs,
    // and its end is then the buffer's.
    wchar_t ids[kHardwareIdBufferBytes / sizeof(wchar_t)] = {};
    DWORD requiredSize = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, &element, SPDRP_HARDWAREID, nullptr,
                                           reinterpret_cast<BYTE*>(ids), kHardwareIdBufferBytes,
                                           &requiredSize)) {
        wxLogMessage("SetupDiGetDeviceRegistryProperty failed (%d) (required size=%d)",
                     static_cast<int>(GetLastError()), static_cast<int>(requiredSize));
        return {};
    }
    return std::wstring(ids, std::size(ids));
}

#include "windows/DeviceEnumeration.h"

#include <wx/log.h>

#include <cwchar>

namespace {

constexpr DWORD kHardwareIdBufferBytes = 1024;

} // namespace

// The setup structures are fixed by the 64-bit ABI; a header that packs them differently would
// make every SetupAPI call fail with ERROR_INVALID_USER_BUFFER.
static_assert(sizeof(SP_DEVINFO_DATA) == 32, "SP_DEVINFO_DATA as 64-bit Windows lays it out");

DeviceInfoSet GetPresentDevices(const GUID& classGuid, const wchar_t* enumerator, DWORD flags)
{
    DeviceInfoSet set{ValidOrNull(SetupDiGetClassDevsW(&classGuid, enumerator, nullptr, flags))};
    if (!set)
        wxLogMessage("SetupDiGetClassDevs failed (%d)", static_cast<int>(GetLastError()));
    return set;
}

bool IsEndOfList(DWORD error)
{
    return error == ERROR_SUCCESS || error == ERROR_NO_MORE_ITEMS;
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

bool FirstHardwareIdContains(HDEVINFO set, SP_DEVINFO_DATA& element, const wchar_t* fragment)
{
    // A REG_MULTI_SZ: strings ended by a NUL, the list by an empty one. The zeroed buffer keeps a
    // value that fills it exactly terminated for wcsstr.
    wchar_t ids[kHardwareIdBufferBytes / sizeof(wchar_t) + 1] = {};
    DWORD requiredSize = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, &element, SPDRP_HARDWAREID, nullptr,
                                           reinterpret_cast<BYTE*>(ids), kHardwareIdBufferBytes,
                                           &requiredSize)) {
        wxLogMessage("SetupDiGetDeviceRegistryProperty failed (%d) (required size=%d)",
                     static_cast<int>(GetLastError()), static_cast<int>(requiredSize));
        return false;
    }
    return std::wcsstr(ids, fragment) != nullptr;
}

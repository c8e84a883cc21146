#pragma once

// Owning wrappers for the Win32 handles of the platform layer, so that every early return
// releases what it opened. SetupAPI and CreateFileW report failure with INVALID_HANDLE_VALUE, not
// null, so a failed call must not be wrapped.

#include <windows.h>

#include <setupapi.h>

#include <memory>
#include <type_traits>

struct DeviceInfoSetRelease
{
    void operator()(void* set) const { SetupDiDestroyDeviceInfoList(set); }
};
using DeviceInfoSet = std::unique_ptr<void, DeviceInfoSetRelease>;

struct RegistryKeyRelease
{
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using RegistryKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegistryKeyRelease>;

struct FileHandleRelease
{
    void operator()(void* handle) const { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<void, FileHandleRelease>;

// Null for INVALID_HANDLE_VALUE, so that the wrappers above only ever hold open handles.
inline void* ValidOrNull(void* handle)
{
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

// zephlark-send-device-notice TITLE CODE: sends WM_DEVICECHANGE with the event code CODE (decimal
// or 0x hex) to the top-level window titled TITLE, as Windows does when a device comes or goes,
// and returns once the window has handled it. Exit status 0 when delivered, 1 when not.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

constexpr UINT kDeliveryTimeoutMs = 10000;

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const HWND window = argc == 3 ? FindWindowW(nullptr, argv[1]) : nullptr;
    DWORD_PTR result = 0;
    // Synchronous: when this returns the window procedure has run, and what it logged is out.
    if (!window || !SendMessageTimeoutW(window, WM_DEVICECHANGE, std::wcstoul(argv[2], nullptr, 0),
                                        0, SMTO_ABORTIFHUNG, kDeliveryTimeoutMs, &result)) {
        std::fwprintf(stderr, L"no window titled as asked took the notice (%lu)\n", GetLastError());
        return 1;
    }
    return 0;
}

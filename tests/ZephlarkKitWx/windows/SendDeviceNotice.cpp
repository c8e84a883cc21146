// zephlark-send-device-notice TITLE CODE: sends WM_DEVICECHANGE with the event code CODE (decimal
// or 0x hex) to the top-level window titled TITLE, as Windows does when a device comes or goes,
// and returns once the window has handled it. Exit status 0 when delivered, 1 when no such
// window, 2 on a usage error.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

constexpr UINT kDeliveryTimeoutMs = 10000;

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: zephlark-send-device-notice TITLE CODE\n");
        return 2;
    }
    const HWND window = FindWindowW(nullptr, argv[1]);
    if (!window) {
        std::fwprintf(stderr, L"no window titled \"%ls\"\n", argv[1]);
        return 1;
    }
    const WPARAM code = std::wcstoul(argv[2], nullptr, 0);
    DWORD_PTR result = 0;
    // Synchronous: when this returns the window procedure has run, and what it logged is out.
    if (!SendMessageTimeoutW(window, WM_DEVICECHANGE, code, 0, SMTO_ABORTIFHUNG, kDeliveryTimeoutMs,
                             &result)) {
        std::fwprintf(stderr, L"the window did not take the notice (%lu)\n", GetLastError());
        return 1;
    }
    return 0;
}

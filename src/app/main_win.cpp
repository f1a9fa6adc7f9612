// Program start and message loop.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <memory>

#include "app/single_copy_win.h"
#include "app/ticker_window_win.h"
#include "platform/wide_win.h"
#include "res/resource.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // A second copy from the same folder touches no file: it brings the running ticker forward and ends.
    const std::wstring folder = ProgramFolder();
    FolderClaim claim(folder);
    if (!claim.first()) {
        BringRunningTickerToFront(folder, 5000);
        return 0;
    }
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    if (FAILED(OleInitialize(nullptr))) {
        MessageBoxW(nullptr, Cp932ToWide("OLEの初期化に失敗しました。").c_str(), L"Error",
                    MB_OK | MB_ICONERROR);
        return 0;
    }
    if (!TickerWindow::RegisterWindowClass(instance, icon)) return 0;

    // Kept loaded for the whole run; the function is missing on old systems.
    HMODULE user32 = LoadLibraryW(L"user32.dll");
    auto setLayered = user32 ? reinterpret_cast<SetLayeredWindowAttributesFn>(reinterpret_cast<void*>(
                                   GetProcAddress(user32, "SetLayeredWindowAttributes")))
                             : nullptr;

    // Lives until the process ends: the window procedure reaches it through the window.
    auto ticker = std::make_unique<TickerWindow>(instance, icon, setLayered, folder);
    if (!ticker->Create()) return 0;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    ticker->Show(showCommand);

    MSG msg = {};
    int exitCode = 0;
    for (;;) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            exitCode = static_cast<int>(msg.wParam);
            break;
        }
        if (got == -1) break;
        // Keyboard messages go through the open modeless dialog (settings or schedule), if any.
        if (ticker->RouteDialogKeys(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    OleUninitialize();
    return exitCode;
}

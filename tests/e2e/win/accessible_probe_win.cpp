// Listens to the ticker as a screen reader does, for the end-to-end tests:
//
//   accessible_probe SECONDS   the name of the ticker's accessible object (AccessibleObjectFromWindow)
//                              at the start and at each of its name-change events for SECONDS, one
//                              line each: milliseconds since the start, a tab, the name in UTF-8
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// The import library's IID_IAccessible is not the interface's id under MinGW.
const IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
DWORD started = 0;

std::string Utf8(const wchar_t* text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
    out.resize(strlen(out.c_str()));
    return out;
}

HWND Ticker() { return FindWindowW(L"Newsroller", L"Newsroller"); }

// The name of the window's client object, or "" when it cannot be had.
std::string ClientName(HWND window) {
    IAccessible* object = nullptr;
    HRESULT hr = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                            reinterpret_cast<void**>(&object));
    if (FAILED(hr) || !object) return "";
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    hr = object->get_accName(self, &name);
    std::string text = SUCCEEDED(hr) && name ? Utf8(name) : "";
    if (name) SysFreeString(name);
    object->Release();
    return text;
}

void Print(HWND window) {
    printf("%lu\t%s\n", static_cast<unsigned long>(GetTickCount() - started), ClientName(window).c_str());
    fflush(stdout);
}

void CALLBACK NameChanged(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (window == Ticker() && object == OBJID_CLIENT && child == CHILDID_SELF) Print(window);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    CoInitialize(nullptr);
    started = GetTickCount();
    HWND ticker = Ticker();
    if (argc < 2 || !ticker) return 1;
    DWORD process = 0;
    GetWindowThreadProcessId(ticker, &process);
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                         NameChanged, process, 0, WINEVENT_OUTOFCONTEXT);
    if (!hook) return 1;
    Print(ticker);
    const DWORD until = started + 1000u * static_cast<DWORD>(_wtoi(argv[1]));
    while (static_cast<LONG>(until - GetTickCount()) > 0) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    UnhookWinEvent(hook);
    return 0;
}

// Reads the ticker as a screen reader does, for the end-to-end tests: its accessible object through
// AccessibleObjectFromWindow, and the name-change events it raises.
//
//   accessible_probe name            the client object's name, one line of UTF-8
//   accessible_probe events SECONDS  for SECONDS, one line per name-change event of the ticker's
//                                    client object: milliseconds since the start, a tab, the name
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

// The name of the window's client object, or "" with a message on stderr.
std::string ClientName(HWND window) {
    IAccessible* object = nullptr;
    HRESULT hr = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                            reinterpret_cast<void**>(&object));
    if (FAILED(hr) || !object) {
        fprintf(stderr, "AccessibleObjectFromWindow failed: %08lx\n", static_cast<unsigned long>(hr));
        return "";
    }
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    hr = object->get_accName(self, &name);
    std::string text = SUCCEEDED(hr) && name ? Utf8(name) : "";
    if (FAILED(hr)) fprintf(stderr, "get_accName failed: %08lx\n", static_cast<unsigned long>(hr));
    if (name) SysFreeString(name);
    object->Release();
    return text;
}

void CALLBACK NameChanged(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (window != Ticker() || object != OBJID_CLIENT || child != CHILDID_SELF) return;
    printf("%lu\t%s\n", static_cast<unsigned long>(GetTickCount() - started), ClientName(window).c_str());
    fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    CoInitialize(nullptr);
    started = GetTickCount();
    HWND ticker = Ticker();
    if (!ticker) {
        fprintf(stderr, "no ticker window\n");
        return 1;
    }
    if (wcscmp(argv[1], L"name") == 0) {
        printf("%s\n", ClientName(ticker).c_str());
        return 0;
    }
    if (wcscmp(argv[1], L"events") == 0 && argc >= 3) {
        DWORD process = 0;
        GetWindowThreadProcessId(ticker, &process);
        HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                             NameChanged, process, 0, WINEVENT_OUTOFCONTEXT);
        if (!hook) return 1;
        const DWORD until = started + 1000u * static_cast<DWORD>(_wtoi(argv[2]));
        while (static_cast<LONG>(until - GetTickCount()) > 0) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
        UnhookWinEvent(hook);
        return 0;
    }
    return 2;
}

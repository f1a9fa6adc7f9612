// The settings dialog's drop target in-process, with data objects that the system's OLE clipboard
// makes (Unicode text, a file list, a format the dialog does not take), and the real import dialog
// over dropped OPML files whose feeds the loopback nginx serves: its progress bar, the settings
// dialog's list growing, and "中断". (tests/e2e/test_opml_import.py drops from X through Wine.)
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <ole2.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/ticker_window_win.h"
#include "platform/drop_target_win.h"
#include "platform/wide_win.h"
#include "res/resource.h"
#include "win/files_support.h"

namespace {

std::string Env(const char* name) {
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length == 0 || length >= sizeof value ? std::string() : std::string(value, length);
}

// An OPML list of feeds in nginx's folder (drive Z: is the host's root), each with `items[i]` items
// (-1: no such file).
std::string ServedList(const std::string& name, const std::vector<int>& items) {
    const std::string folder = "Z:" + Env("NEWSROLLER_WWW_DIR") + "\\drop\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string list = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><opml version=\"1.1\"><body>\n";
    for (size_t i = 0; i < items.size(); ++i) {
        const std::string file = name + std::to_string(i) + ".xml";
        list += "<outline text=\"" + std::string(u8"サイト") + std::to_string(i + 1) +
                "\" xmlUrl=\"http://127.0.0.1:" + Env("NEWSROLLER_HTTP_PORT") + "/drop/" + file + "\"/>\n";
        if (items[i] < 0) continue;
        std::ofstream feed(folder + file, std::ios::binary);
        feed << "<rss><channel><title>T</title>";
        for (int k = 0; k < items[i]; ++k) feed << "<item><title>t</title></item>";
        feed << "</channel></rss>";
    }
    return list + "</body></opml>\n";
}

// The system's data object over the clipboard, holding `bytes` in `format`.
IDataObject* ClipboardObject(UINT format, const std::string& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size() + 2);
    memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    IDataObject* object = nullptr;
    if (!OpenClipboard(nullptr)) return nullptr;
    EmptyClipboard();
    SetClipboardData(format, block);
    CloseClipboard();
    return SUCCEEDED(OleGetClipboard(&object)) ? object : nullptr;
}

IDataObject* FilesObject(const std::vector<std::wstring>& paths) {
    DROPFILES header = {};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::wstring list;
    for (const std::wstring& path : paths) list += path + L'\0';
    return ClipboardObject(CF_HDROP, std::string(reinterpret_cast<const char*>(&header), sizeof header) +
                                         std::string(reinterpret_cast<const char*>(list.c_str()),
                                                     (list.size() + 1) * sizeof(wchar_t)));
}

// Watches the import dialogs from a thread timer while a drop runs their modal loops: each one's
// range and highest position, and "中断" pressed once a dialog of `abortRange` has reached 3.
struct ImportWatch {
    static ImportWatch* current;
    int abortRange = -1;
    std::vector<std::pair<HWND, std::pair<int, int>>> dialogs;  // range, highest position

    static BOOL CALLBACK Look(HWND window, LPARAM) {
        wchar_t title[64] = {};
        GetWindowTextW(window, title, 64);
        if (Cp932ToWide("OPML読み込み中．．．") != title) return TRUE;
        auto& seen = current->dialogs;
        if (seen.empty() || seen.back().first != window) seen.push_back({window, {-1, -1}});
        HWND bar = GetDlgItem(window, IDC_IMPORT_PROGRESS);
        int range = static_cast<int>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
        int position = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
        seen.back().second = {range, std::max(position, seen.back().second.second)};
        if (range == current->abortRange && position >= 3)
            PostMessageW(window, WM_COMMAND, IDC_IMPORT_ABORT, 0);
        return TRUE;
    }
    static void CALLBACK Poll(HWND, UINT, UINT_PTR, DWORD) {
        EnumThreadWindows(GetCurrentThreadId(), Look, 0);
    }
};
ImportWatch* ImportWatch::current = nullptr;

class UrlDropWin : public testing::Test {
  protected:
    void SetUp() override {
        if (Env("NEWSROLLER_NO_SERVERS") == "1") GTEST_SKIP() << "NEWSROLLER_NO_SERVERS=1";
        ASSERT_FALSE(Env("NEWSROLLER_HTTP_PORT").empty()) << "start the servers (scripts/test does)";
        HINSTANCE instance = GetModuleHandleW(nullptr);
        HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
        if (!TickerWindow::RegisterWindowClass(instance, icon)) {
            ASSERT_EQ(static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS), GetLastError());
        }
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        ASSERT_TRUE(folder.Write(L"URL-List.txt", "Registered\thttp://registered.test/\t5\r\n"));
        ticker = std::make_unique<TickerWindow>(instance, icon, nullptr, folder.path());
        ASSERT_NE(nullptr, ticker->Create());
        ticker->app().state = AppState::Showing;
        SendMessageW(ticker->window(), WM_COMMAND, MAKEWPARAM(IDM_SETTINGS, 0), 0);
        dialog = ticker->modelessDialog();
        ASSERT_NE(nullptr, dialog);
        // A second target on the dialog, beside the one it registered: the same message, the same handling.
        target = NewDropTarget(dialog, WM_APP + 100, {CF_UNICODETEXT, CF_TEXT, CF_HDROP});
        ImportWatch::current = &watch;
    }

    void TearDown() override {
        if (target) target->Release();
        if (ticker && ticker->window()) DestroyWindow(ticker->window());
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ticker.reset();
        // The folder removes its own files; the feeds' cache copies are in a folder of their own.
        std::wstring cache = folder.path() + L"cache" + L'\0';
        SHFILEOPSTRUCTW remove = {};
        remove.wFunc = FO_DELETE;
        remove.pFrom = cache.c_str();
        remove.fFlags = FOF_NO_UI;
        SHFileOperationW(&remove);
    }

    // Enter, over and then leave or drop, as a drag brings them: the effects answered to each.
    std::vector<DWORD> Drag(IDataObject* data, bool drop) {
        POINTL point = {10, 10};
        std::vector<DWORD> effects(3, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
        target->DragEnter(data, MK_LBUTTON, point, &effects[0]);
        target->DragOver(MK_LBUTTON, point, &effects[1]);
        UINT_PTR poll = SetTimer(nullptr, 0, 20, ImportWatch::Poll);
        drop ? target->Drop(data, 0, point, &effects[2]) : target->DragLeave();
        KillTimer(nullptr, poll);
        data->Release();
        return drop ? effects : std::vector<DWORD>{effects[0], effects[1]};
    }

    std::vector<std::wstring> Lines() {
        std::vector<std::wstring> lines;
        int count = static_cast<int>(SendDlgItemMessageW(dialog, IDC_SET_FEEDS, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[512] = {};
            SendDlgItemMessageW(dialog, IDC_SET_FEEDS, LB_GETTEXT, static_cast<WPARAM>(i),
                                reinterpret_cast<LPARAM>(text));
            lines.push_back(text);
        }
        return lines;
    }

    WinTempFolder folder;
    std::unique_ptr<TickerWindow> ticker;
    HWND dialog = nullptr;
    IDropTarget* target = nullptr;
    ImportWatch watch;
};

TEST_F(UrlDropWin, EachKindOfDataTakesItsEffectAndOtherDataIsNotDropped) {
    const DWORD copyOrLink = DROPEFFECT_COPY | DROPEFFECT_LINK;
    const std::wstring text = L"http://127.0.0.1:1/never.xml";
    EXPECT_EQ((std::vector<DWORD>{copyOrLink, copyOrLink}),
              Drag(ClipboardObject(CF_UNICODETEXT, std::string(reinterpret_cast<const char*>(text.c_str()),
                                                               text.size() * sizeof(wchar_t))),
                   false));
    EXPECT_EQ((std::vector<DWORD>{DROPEFFECT_COPY, DROPEFFECT_COPY}),
              Drag(FilesObject({L"C:\\a.opml"}), false));
    EXPECT_EQ((std::vector<DWORD>{0, 0, 0}),
              Drag(ClipboardObject(RegisterClipboardFormatW(L"Newsroller test"), "other data"), true));
    wchar_t url[64] = {};
    GetDlgItemTextW(dialog, IDC_SET_URL, url, 64);
    EXPECT_STREQ(L"http://", url);  // neither the drags that left nor the other data changed anything
    EXPECT_TRUE(watch.dialogs.empty());
}

// Two OPML files dropped together are imported in turn, each in its own dialog: the first one's bar
// reaches its end; "中断" ends the second, long one where it is. An unreadable file is passed over.
TEST_F(UrlDropWin, DroppedFilesAreImportedInTurnWithProgressAndAbort) {
    ASSERT_TRUE(folder.Write(L"short.opml", ServedList("short", {2, -1, 0})));
    ASSERT_TRUE(folder.Write(L"長い.opml", ServedList("long", std::vector<int>(40, 1))));
    watch.abortRange = 40;
    EXPECT_EQ(DWORD{DROPEFFECT_COPY},
              Drag(FilesObject({folder.path() + L"short.opml", folder.path() + L"none.opml",
                                folder.path() + L"長い.opml"}),
                   true)[2]);
    ASSERT_EQ(2u, watch.dialogs.size());
    EXPECT_EQ(std::make_pair(3, 3), watch.dialogs[0].second);
    EXPECT_EQ(40, watch.dialogs[1].second.first);
    EXPECT_FALSE(IsWindow(watch.dialogs[1].first));

    std::vector<std::wstring> lines = Lines();
    ASSERT_GE(lines.size(), 4u + 3u);
    EXPECT_LT(lines.size(), 4u + 10u) << "中断 did not stop the import";
    EXPECT_EQ(Cp932ToWide("（2）サイト1"), lines[1]);
    EXPECT_EQ(Cp932ToWide("（0）サイト2"), lines[2]);  // its fetch failed
    EXPECT_EQ(Cp932ToWide("（1）サイト1"), lines[4]);
    EXPECT_EQ(static_cast<LRESULT>(lines.size() - 1),
              SendDlgItemMessageW(dialog, IDC_SET_FEEDS, LB_GETCURSEL, 0, 0));
    wchar_t total[32] = {};
    GetDlgItemTextW(dialog, IDC_SET_TOTAL, total, 32);
    // Each feed of the long list carries one item; one still being asked for at "中断" keeps 0.
    size_t counted = 0;
    for (size_t i = 4; i < lines.size(); ++i) counted += lines[i].rfind(Cp932ToWide("（1）"), 0) == 0 ? 1 : 0;
    EXPECT_GE(counted + 1, lines.size() - 4);
    EXPECT_EQ(std::to_wstring(5 + 2 + counted) + Cp932ToWide("件"), total);
}

}  // namespace

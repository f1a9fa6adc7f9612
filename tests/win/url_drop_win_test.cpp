// Drops onto the real settings dialog in-process, through its drop target with data objects that
// the system's OLE clipboard makes (Unicode text, a file list, a format the dialog does not take),
// and the real import dialog over OPML lists served by the loopback nginx: its progress bar, the
// settings dialog's list growing, and "中断". The servers come from scripts/test (NEWSROLLER_*).
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <ole2.h>
#include <shlobj.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/ticker_window_win.h"
#include "platform/drop_target_win.h"
#include "platform/wide_win.h"
#include "res/resource.h"
#include "win/files_support.h"

namespace {

constexpr UINT kDropMessage = WM_APP + 100;
const DWORD kAnyEffect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

std::string Env(const char* name) {
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length == 0 || length >= sizeof value ? std::string() : std::string(value, length);
}

std::string Url(const std::string& name) {
    return "http://127.0.0.1:" + Env("NEWSROLLER_HTTP_PORT") + "/drop/" + name;
}

// A file in nginx's folder (drive Z: is the host's root) and its address.
std::string Serve(const std::string& name, const std::string& bytes) {
    std::string path = "Z:" + Env("NEWSROLLER_WWW_DIR") + "/drop/" + name;
    for (char& c : path) c = c == '/' ? '\\' : c;
    CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
    std::ofstream(path, std::ios::binary) << bytes;
    return Url(name);
}

std::string Rss(const std::string& title, int items) {
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss><channel><title>" + title + "</title>";
    for (int i = 0; i < items; ++i) doc += "<item><title>t</title><link>http://x.test/</link></item>";
    return doc + "</channel></rss>";
}

std::string Opml(const std::vector<std::string>& urls) {
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><opml version=\"1.1\"><body>\n";
    for (size_t i = 0; i < urls.size(); ++i) {
        doc += "<outline text=\"" + std::string(u8"サイト") + std::to_string(i + 1) + "\" xmlUrl=\"" +
               urls[i] + "\"/>\n";
    }
    return doc + "</body></opml>\n";
}

HGLOBAL Global(const void* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    memcpy(GlobalLock(block), bytes, size);
    GlobalUnlock(block);
    return block;
}

// The system's data object over the clipboard, holding one block in `format`.
IDataObject* ClipboardObject(UINT format, HGLOBAL block) {
    if (!OpenClipboard(nullptr)) return nullptr;
    EmptyClipboard();
    SetClipboardData(format, block);
    CloseClipboard();
    IDataObject* object = nullptr;
    return SUCCEEDED(OleGetClipboard(&object)) ? object : nullptr;
}

IDataObject* TextObject(const std::wstring& text) {
    return ClipboardObject(CF_UNICODETEXT, Global(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
}

IDataObject* FilesObject(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const std::wstring& path : paths) list += path + L'\0';
    list += L'\0';
    std::string bytes(sizeof(DROPFILES), '\0');
    DROPFILES header = {};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    memcpy(&bytes[0], &header, sizeof header);
    bytes.append(reinterpret_cast<const char*>(list.c_str()), list.size() * sizeof(wchar_t));
    return ClipboardObject(CF_HDROP, Global(bytes.data(), bytes.size()));
}

// Watches the import dialog from a thread timer while the drop runs its modal loop: the progress
// bar's range and highest position, and "中断" pressed once the bar has reached `abortAt`.
struct ImportWatch {
    static ImportWatch* current;
    HWND dialog = nullptr;
    int range = -1, highest = -1, abortAt = -1;
    bool aborted = false;
    std::wstring title;

    static BOOL CALLBACK Find(HWND window, LPARAM) {
        wchar_t text[64] = {};
        GetWindowTextW(window, text, 64);
        if (Cp932ToWide("OPML読み込み中．．．") == text) current->dialog = window;
        return TRUE;
    }
    static void CALLBACK Poll(HWND, UINT, UINT_PTR, DWORD) {
        ImportWatch& w = *current;
        w.dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), Find, 0);
        if (!w.dialog) return;
        HWND bar = GetDlgItem(w.dialog, IDC_IMPORT_PROGRESS);
        w.range = static_cast<int>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
        int position = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
        if (position > w.highest) w.highest = position;
        if (w.abortAt >= 0 && position >= w.abortAt && !w.aborted) {
            w.aborted = true;
            SendMessageW(GetDlgItem(w.dialog, IDC_IMPORT_ABORT), BM_CLICK, 0, 0);
        }
    }
};
ImportWatch* ImportWatch::current = nullptr;

class UrlDropWin : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        if (!TickerWindow::RegisterWindowClass(instance, LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP)))) {
            ASSERT_EQ(static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS), GetLastError());
        }
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
    }

    void SetUp() override {
        if (Env("NEWSROLLER_NO_SERVERS") == "1") GTEST_SKIP() << "NEWSROLLER_NO_SERVERS=1";
        ASSERT_FALSE(Env("NEWSROLLER_HTTP_PORT").empty()) << "start the servers (scripts/test does)";
        ASSERT_TRUE(folder.Write(L"URL-List.txt", "Registered\thttp://registered.test/\t5\r\n"));
        HINSTANCE instance = GetModuleHandleW(nullptr);
        ticker = std::make_unique<TickerWindow>(instance, LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP)),
                                                nullptr, folder.path());
        ASSERT_NE(nullptr, ticker->Create());
        ticker->app().state = AppState::Showing;
        SendMessageW(ticker->window(), WM_COMMAND, MAKEWPARAM(IDM_SETTINGS, 0), 0);
        dialog = ticker->modelessDialog();
        ASSERT_NE(nullptr, dialog);
        target = NewDropTarget(dialog, kDropMessage, {CF_UNICODETEXT, CF_TEXT, CF_HDROP});
        ASSERT_NE(nullptr, target);
        ImportWatch::current = &watch;
    }

    void TearDown() override {
        if (target) target->Release();
        if (ticker && ticker->window()) DestroyWindow(ticker->window());
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ticker.reset();
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder.path() + L"cache\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do DeleteFileW((folder.path() + L"cache\\" + found.cFileName).c_str());
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW((folder.path() + L"cache").c_str());
    }

    // Enter, over and drop as a drag would bring them; the effects answered to enter and to drop.
    std::pair<DWORD, DWORD> Drag(IDataObject* data, bool drop = true) {
        POINTL point = {10, 10};
        DWORD entered = kAnyEffect, over = kAnyEffect, dropped = kAnyEffect;
        target->DragEnter(data, MK_LBUTTON, point, &entered);
        target->DragOver(MK_LBUTTON, point, &over);
        EXPECT_EQ(entered, over);
        if (!drop) {
            target->DragLeave();
            return {entered, 0};
        }
        UINT_PTR poll = SetTimer(nullptr, 0, 20, ImportWatch::Poll);
        target->Drop(data, 0, point, &dropped);
        KillTimer(nullptr, poll);
        return {entered, dropped};
    }

    std::wstring Text(int id) {
        wchar_t text[512] = {};
        GetDlgItemTextW(dialog, id, text, 512);
        return text;
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

TEST_F(UrlDropWin, ADroppedFeedAddressFillsTheFields) {
    const std::string url = Serve("feed.xml", Rss(u8"駅前ニュース", 3));
    IDataObject* data = TextObject(Cp932ToWide(url.c_str()));
    ASSERT_NE(nullptr, data);
    const DWORD copyOrLink = DROPEFFECT_COPY | DROPEFFECT_LINK;
    EXPECT_EQ(std::make_pair(copyOrLink, copyOrLink), Drag(data));
    data->Release();
    EXPECT_EQ(Cp932ToWide("駅前ニュース"), Text(IDC_SET_SITE));
    EXPECT_EQ(Cp932ToWide(url.c_str()), Text(IDC_SET_URL));
    EXPECT_EQ(L"3", Text(IDC_SET_MAXIMUM));
    EXPECT_EQ(1u, Lines().size());  // not added: the user presses Add
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)));
    EXPECT_EQ(-1, watch.range);  // no import dialog
}

TEST_F(UrlDropWin, DataInNeitherFormatShowsNoDropAndDoesNothing) {
    const char bytes[] = "not a format the dialog takes";
    IDataObject* data =
        ClipboardObject(RegisterClipboardFormatW(L"Newsroller test format"), Global(bytes, sizeof bytes));
    ASSERT_NE(nullptr, data);
    EXPECT_EQ(std::make_pair(DWORD{DROPEFFECT_NONE}, DWORD{DROPEFFECT_NONE}), Drag(data));
    data->Release();
    EXPECT_EQ(L"http://", Text(IDC_SET_URL));
    EXPECT_EQ(L"", Text(IDC_SET_SITE));
    // A drag that leaves again changes nothing either.
    data = TextObject(L"http://127.0.0.1:1/never.xml");
    EXPECT_EQ(DWORD{DROPEFFECT_COPY | DROPEFFECT_LINK}, Drag(data, false).first);
    data->Release();
    EXPECT_EQ(L"http://", Text(IDC_SET_URL));
}

// An OPML list served by nginx, dropped as its address: the import dialog takes one outline per
// tick, its bar reaches the end, and the settings dialog's list and total grow.
TEST_F(UrlDropWin, ADroppedOpmlAddressIsImportedWithItsProgress) {
    const std::string a = Serve("a.xml", Rss("A", 4)), b = Serve("b.xml", Rss("B", 0));
    const std::string list = Serve("list.opml", Opml({a, "http://registered.test/", b, Url("missing.xml")}));
    IDataObject* data = TextObject(Cp932ToWide(list.c_str()));
    ASSERT_NE(nullptr, data);
    Drag(data);
    data->Release();
    EXPECT_EQ(4, watch.range);
    EXPECT_EQ(4, watch.highest);
    EXPECT_FALSE(IsWindow(watch.dialog));  // it ended by itself
    EXPECT_EQ((std::vector<std::wstring>{Cp932ToWide("（5）Registered"), Cp932ToWide("（4）サイト1"),
                                         Cp932ToWide("（0）サイト3"), Cp932ToWide("（0）サイト4")}),
              Lines());
    EXPECT_EQ(3, SendDlgItemMessageW(dialog, IDC_SET_FEEDS, LB_GETCURSEL, 0, 0));
    EXPECT_EQ(Cp932ToWide("9件"), Text(IDC_SET_TOTAL));
    EXPECT_EQ(Cp932ToWide(list.c_str()), Text(IDC_SET_URL));
    const std::wstring copy =
        L"cache\\http@%%127@0@0@1@" + Cp932ToWide(Env("NEWSROLLER_HTTP_PORT").c_str()) + L"%drop%a@xml";
    EXPECT_EQ(Rss("A", 4), folder.Read(copy.c_str()));
}

// Two OPML files dropped together are imported in turn; "中断" ends a long import where it is.
TEST_F(UrlDropWin, DroppedFilesAreImportedInTurnAndAbortStopsALongImport) {
    std::vector<std::string> many;
    for (int i = 0; i < 40; ++i) many.push_back(Serve("many" + std::to_string(i) + ".xml", Rss("M", 1)));
    const std::wstring shortList = folder.path() + L"short.opml", longList = folder.path() + L"長い.opml";
    ASSERT_TRUE(folder.Write(L"short.opml", Opml({Serve("s.xml", Rss("S", 2))})));
    ASSERT_TRUE(folder.Write(L"長い.opml", Opml(many)));
    watch.abortAt = 3;
    IDataObject* data = FilesObject({shortList, folder.path() + L"missing.opml", longList});
    ASSERT_NE(nullptr, data);
    EXPECT_EQ(DWORD{DROPEFFECT_COPY}, Drag(data).first);
    data->Release();
    EXPECT_TRUE(watch.aborted);
    EXPECT_EQ(40, watch.range);  // the long list's dialog, the last one shown
    std::vector<std::wstring> lines = Lines();
    ASSERT_GE(lines.size(), 2u + 3u);
    EXPECT_LT(lines.size(), 2u + 10u) << "the abort did not stop the import";
    EXPECT_EQ(Cp932ToWide("（2）サイト1"), lines[1]);
    EXPECT_EQ(Cp932ToWide("（1）サイト1"), lines[2]);
}

}  // namespace

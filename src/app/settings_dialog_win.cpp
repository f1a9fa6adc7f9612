#include "app/settings_dialog_win.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "app/feed_chooser_win.h"
#include "app/opml_import_dialog_win.h"
#include "app/settings_dialog.h"
#include "app/site_lookup.h"
#include "app/ticker_habits.h"
#include "app/ticker_window_win.h"
#include "app/url_drop.h"
#include "config/file_text.h"
#include "platform/drop_target_win.h"
#include "platform/startup_entry_win.h"
#include "platform/wide_win.h"
#include "res/resource.h"

namespace {

// The drop notification message: the application message base + 100.
constexpr UINT kDropMessage = WM_APP + 100;
// The lookup of "RSSから読み込む" or of a dropped address moves on with this timer.
constexpr UINT_PTR kLookupTimer = 1;
constexpr UINT kLookupTickMilliseconds = 30;

// The colour preview inside the group "カラー", in dialog units (so it scales with the dialog), and
// where its two sample texts go.
const RECT kPreviewUnits = {229, 303, 274, 334};
const RECT kPreviewTextUnits = {234, 311, 234, 320};  // left/top: text 1, right/bottom: text 2

const int kEditIds[] = {IDC_SET_WINX,        IDC_SET_WINY,       IDC_SET_WIDTH,        IDC_SET_POS_HINT,
                        IDC_SET_FSIZE,       IDC_SET_UPTIMER,    IDC_SET_SPEED,        IDC_SET_STEP,
                        IDC_SET_XMOVE,       IDC_SET_UPDAY,      IDC_SET_TRANSPARENCY, IDC_SET_SITE,
                        IDC_SET_URL,         IDC_SET_MAXIMUM,    IDC_SET_TOTAL,        IDC_SET_RED_VALUE,
                        IDC_SET_GREEN_VALUE, IDC_SET_BLUE_VALUE, IDC_SET_ALERTTIME};

bool IsEditId(int id) {
    for (int edit : kEditIds) {
        if (edit == id) return true;
    }
    return false;
}

int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) {
    auto* faces = reinterpret_cast<std::vector<std::string>*>(data);
    std::string face = WideToCp932(font->lfFaceName);
    if (!IsListedFontFace(font->lfCharSet, face.c_str())) return 1;
    for (const std::string& known : *faces) {
        if (known == face) return 1;
    }
    faces->push_back(face);
    return 1;
}

// The installed families of the Shift_JIS character set, in the order the system lists them.
std::vector<std::string> JapaneseFaces(HWND window) {
    std::vector<std::string> faces;
    LOGFONTW wanted = {};
    wanted.lfCharSet = SHIFTJIS_CHARSET;
    HDC dc = GetDC(window);
    EnumFontFamiliesExW(dc, &wanted, CollectFace, reinterpret_cast<LPARAM>(&faces), 0);
    ReleaseDC(window, dc);
    return faces;
}

class SettingsDialog : public ImportView, public ImportRunner {
  public:
    explicit SettingsDialog(TickerWindow& ticker)
        : ticker_(ticker), app_(ticker.app()), form_(new SettingsForm), lookup_(ticker.app()) {}

    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    // False when the dialog could not be registered as a drop target: it is closed at once.
    bool dropTarget() const { return dropTarget_; }
    // The window, until it is destroyed.
    HWND window() const { return dialog_; }

    // Its creation counts as a call on the stack: a window destroyed while it opens (with its
    // owner, during a message box of the opening) leaves the object to Release.
    void Hold() { ++depth_; }
    static void Release(SettingsDialog* self) {
        if (--self->depth_ == 0 && !self->dialog_) delete self;
    }

  private:
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInit();
    void OnCommand(int id, int code);
    void OnColourScroll(HWND bar, int code, int position);
    void OnPaint();
    void OnLookup();
    void BeginLookup(const std::string& text, bool dropped);
    void FollowLookup(LookupOutcome outcome);
    void OnDrop(WPARAM call, DropNotification& record);
    void OnTextDrop(const std::string& text);
    void OnFilesDrop(HDROP files);
    void OnOk();
    void OnCancel();
    void Close();

    void FillFontList();
    void ShowColour();
    void RefreshList();
    void ShowFields(FieldsShown fields);
    void ApplyButtons(const ListButtons& buttons);
    void ApplyEdit(const EditResult& result);
    void ShowPositionHint();
    void RemakeTickerFont(int height, int weight, const char* face);
    // Dialog units of this dialog in client pixels.
    RECT PreviewRect(const RECT& dialogUnits) const;

    // The import as it goes (ImportView), and the import dialog run over a document (ImportRunner).
    void MoveProgress(ProgressMove) override {}
    void ShowOutline(const char* site, const char* url) override;
    void ShowAddedFeed(int index) override;
    void RunImport(TextView document) override;

    std::string Text(int id) const;
    void SetText(int id, const std::string& text);
    int Number(int id) const;
    bool Checked(int id) const { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }
    void Check(int id, bool on) { CheckDlgButton(dialog_, id, on ? BST_CHECKED : BST_UNCHECKED); }
    void Enable(int id, bool on) { EnableWindow(GetDlgItem(dialog_, id), on ? TRUE : FALSE); }

    TickerWindow& ticker_;
    App& app_;
    std::unique_ptr<SettingsForm> form_;
    HWND dialog_ = nullptr;
    bool initializing_ = false;
    SiteLookup lookup_;  // "RSSから読み込む" or a dropped address, while it runs
    bool dropTarget_ = false;
    bool dropping_ = false;  // a drop is being handled (its fetch or its import is running)
    DropFormat dragFormat_ = DropFormat::None;
    Win32StartupEntry startup_;  // "Windowsの起動時に実行"
    int depth_ = 0;              // nested calls of the procedure on the stack
};

INT_PTR CALLBACK SettingsDialog::Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<SettingsDialog*>(lParam);
        self->dialog_ = dialog;
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    }
    auto* self = reinterpret_cast<SettingsDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self) return FALSE;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        self->dialog_ = nullptr;
        if (self->ticker_.modelessDialog() == dialog) self->ticker_.SetModelessDialog(nullptr);
        // Closed by its owner rather than by OK or Cancel: that is Cancel, and the ticker must not
        // stay blocked.
        CancelSettings(self->app_, *self->form_);
        self->app_.dialogOpen = false;
        if (self->depth_ == 0) delete self;
        return FALSE;
    }
    ++self->depth_;
    INT_PTR result;
    {
        ScopedMessageOwner owner(self->ticker_.messageBoxes(), dialog);
        result = self->Handle(message, wParam, lParam);
    }
    // A handler that waited (a fetch, a message box) may have seen the dialog destroyed meanwhile.
    if (--self->depth_ == 0 && !self->dialog_) delete self;
    return result;
}

INT_PTR SettingsDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit();
            return TRUE;
        case WM_COMMAND:
            if (!initializing_) OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_HSCROLL:
            OnColourScroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam),
                           static_cast<short>(HIWORD(wParam)));
            return TRUE;
        case WM_PAINT:
            OnPaint();
            return TRUE;
        case WM_TIMER:
            if (wParam == kLookupTimer) {
                // Stopped while the answer is taken: a message box it shows must not see another tick.
                KillTimer(dialog_, kLookupTimer);
                FollowLookup(lookup_.Tick());
            }
            return TRUE;
        case WM_CLOSE:
            OnCancel();
            return TRUE;
        case WM_DESTROY:
            RevokeDragDrop(dialog_);
            return FALSE;
        case kDropMessage:
            OnDrop(wParam, *reinterpret_cast<DropNotification*>(lParam));
            return TRUE;
        default:
            return FALSE;
    }
}

std::string SettingsDialog::Text(int id) const {
    HWND control = GetDlgItem(dialog_, id);
    int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(control, &text[0], length + 1);
    return WideToCp932(text.c_str());
}

void SettingsDialog::SetText(int id, const std::string& text) {
    SetDlgItemTextW(dialog_, id, Cp932ToWide(text.c_str()).c_str());
}

int SettingsDialog::Number(int id) const {
    std::string text = Text(id);
    return DecimalValue(text.c_str(), text.size());
}

void SettingsDialog::OnInit() {
    initializing_ = true;
    const AppSettings& s = app_.settings;
    OpenSettingsForm(app_, *form_);
    // The list's notice (a file kept as a copy) may have been up while the ticker closed.
    if (!dialog_) return;

    for (int bar : {IDC_SET_RED, IDC_SET_GREEN, IDC_SET_BLUE}) {
        SetScrollRange(GetDlgItem(dialog_, bar), SB_CTL, 0, 255, FALSE);
    }
    ShowColour();

    const struct {
        int id;
        int value;
    } numbers[] = {{IDC_SET_WINX, s.winX},   {IDC_SET_WINY, s.winY},       {IDC_SET_WIDTH, s.width},
                   {IDC_SET_FSIZE, s.fsize}, {IDC_SET_UPTIMER, s.uptimer}, {IDC_SET_XMOVE, s.xmove},
                   {IDC_SET_UPDAY, s.upday}};
    for (const auto& n : numbers) SetDlgItemInt(dialog_, n.id, static_cast<UINT>(n.value), TRUE);
    Check(IDC_SET_SAVEPOS, s.savepos != 0);
    Check(IDC_SET_BOLD, s.ftype == 700);
    Check(IDC_SET_WINTOP, s.wintop != 0);
    Check(IDC_SET_SCROLLF, s.scrollf != 0);
    Check(IDC_SET_MOUSESCHE, s.mousesche != 0);
    Check(IDC_SET_HOVERSTOP, s.hoverstop != 0);
    Check(IDC_SET_STARTUP, startup_.NamesThisProgram());

    HINSTANCE instance = ticker_.instance();
    // The arrow keys change the value in its field, which Tab reaches.
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS;
    const struct {
        int id, buddy, low, high, position;
    } spins[] = {{IDC_SET_SPEED_SPIN, IDC_SET_SPEED, 1, 10, ShownSpeed(s)},
                 {IDC_SET_STEP_SPIN, IDC_SET_STEP, 1, 99, s.scrolldiv},
                 {IDC_SET_TRANSPARENCY_SPIN, IDC_SET_TRANSPARENCY, 0, 25, ShownTransparency(s)},
                 {IDC_SET_ALERTTIME_SPIN, IDC_SET_ALERTTIME, 0, 30, s.alerttime}};
    for (const auto& spin : spins) {
        CreateUpDownControl(style, 0, 0, 0, 0, dialog_, spin.id, instance, GetDlgItem(dialog_, spin.buddy),
                            spin.high, spin.low, spin.position);
    }
    SetText(IDC_SET_URL, kUrlFieldPreset);
    ShowPositionHint();
    RefreshList();
    ApplyButtons(ListButtons());
    FillFontList();
    initializing_ = false;
    // Addresses dragged from a browser arrive as Unicode text (the only text an X drag gives under
    // Wine), then as plain text; files as a file list.
    dropTarget_ = RegisterDropTarget(dialog_, kDropMessage, {CF_UNICODETEXT, CF_TEXT, CF_HDROP});
    if (!dropTarget_) {
        app_.platform.messages.Show("ドロップターゲットの登録に失敗しました。", "Error", MessageIcon::Error);
    }
}

void SettingsDialog::FillFontList() {
    HWND list = GetDlgItem(dialog_, IDC_SET_FONTFACE);
    std::vector<std::string> faces = JapaneseFaces(dialog_);
    for (const std::string& face : faces) {
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Cp932ToWide(face.c_str()).c_str()));
    }
    int selected = FaceToSelect(faces, app_.settings.fontface);
    if (selected >= 0) SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void SettingsDialog::ShowColour() {
    const int* colour = form_->colours[form_->selectedColour];
    const int bars[3] = {IDC_SET_RED, IDC_SET_GREEN, IDC_SET_BLUE};
    const int labels[3] = {IDC_SET_RED_VALUE, IDC_SET_GREEN_VALUE, IDC_SET_BLUE_VALUE};
    const char* names[3] = {"R %d", "G %d", "B %d"};
    for (int i = 0; i < 3; ++i) {
        SetScrollPos(GetDlgItem(dialog_, bars[i]), SB_CTL, colour[i], TRUE);
        char label[16];
        wsprintfA(label, names[i], colour[i]);
        SetText(labels[i], label);
    }
    const int radios[4] = {IDC_SET_COLOR_BACK, IDC_SET_COLOR_TEXT1, IDC_SET_COLOR_TEXT2, IDC_SET_COLOR_FRAME};
    for (int i = 0; i < 4; ++i) Check(radios[i], i == form_->selectedColour);
}

void SettingsDialog::RefreshList() {
    HWND list = GetDlgItem(dialog_, IDC_SET_FEEDS);
    // Refilled as a whole, the list keeps the lines the user was looking at.
    const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    const FeedTable& feeds = form_->feeds;
    for (int i = 0; i < feeds.count; ++i) {
        std::wstring line = Cp932ToWide(FeedLine(feeds, i).c_str());
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(top > 0 ? top : 0), 0);
    // Scrolls only when the selected line is out of sight.
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(form_->selection), 0);
    SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(ListExtent(feeds)), 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    SetText(IDC_SET_TOTAL, TotalText(feeds));
}

void SettingsDialog::ShowFields(FieldsShown fields) {
    const FeedTable& feeds = form_->feeds;
    const int i = form_->selection;
    if (fields == FieldsShown::Feed && i >= 0 && i < feeds.count) {
        SetText(IDC_SET_SITE, feeds.site[i]);
        SetText(IDC_SET_URL, feeds.url[i]);
        SetDlgItemInt(dialog_, IDC_SET_MAXIMUM, static_cast<UINT>(feeds.maximum[i]), TRUE);
    } else if (fields == FieldsShown::Cleared) {
        SetText(IDC_SET_SITE, "");
        SetText(IDC_SET_URL, kUrlFieldPreset);
    }
}

void SettingsDialog::ApplyButtons(const ListButtons& b) {
    HWND focus = GetFocus();
    if (!b.entryKept) {
        Enable(IDC_SET_ADD, b.add);
        Enable(IDC_SET_CHANGE, b.change);
    }
    Enable(IDC_SET_UP, b.up);
    Enable(IDC_SET_DOWN, b.down);
    Enable(IDC_SET_DELETE, b.remove);
    // A button pressed from the keyboard that its own press disabled ("追加", the last "削除") would
    // leave the keyboard nowhere: the focus goes to the list, where the change shows.
    if (focus && GetParent(focus) == dialog_ && !IsWindowEnabled(focus)) {
        SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog_, IDC_SET_FEEDS)),
                     TRUE);
    }
}

void SettingsDialog::ApplyEdit(const EditResult& result) {
    if (!result.done) return;
    RefreshList();
    // The fields first: setting their texts counts as typing, which may enable Add and Change.
    ShowFields(result.fields);
    if (result.maximumShownAsZero) SetDlgItemInt(dialog_, IDC_SET_MAXIMUM, 0, TRUE);
    ApplyButtons(result.buttons);
}

void SettingsDialog::ShowPositionHint() {
    SetText(IDC_SET_POS_HINT, PositionHint(ScreenInUnits(app_.screen), Number(IDC_SET_WIDTH),
                                           Number(IDC_SET_FSIZE), app_.settings.scrollf));
}

void SettingsDialog::RemakeTickerFont(int height, int weight, const char* face) {
    ticker_.ReplaceTickerFont(CreateTickerFont(ticker_.Px(height), weight, face));
    app_.repaintPending = true;
    app_.platform.host.InvalidateTicker();
}

void SettingsDialog::OnCommand(int id, int code) {
    // An address is more often replaced than edited: the whole of it is selected, so that a paste
    // takes its place (posted, so that the click that gave the focus does not undo it).
    if (id == IDC_SET_URL && code == EN_SETFOCUS) PostMessageW(GetDlgItem(dialog_, id), EM_SETSEL, 0, -1);
    if (IsEditId(id) && (code == EN_SETFOCUS || code == EN_KILLFOCUS)) {
        EditFieldFocus(*form_, code == EN_SETFOCUS);
        return;
    }
    switch (id) {
        case IDC_SET_FEEDS:
            if (code == LBN_SELCHANGE) {
                int index = static_cast<int>(SendDlgItemMessageW(dialog_, IDC_SET_FEEDS, LB_GETCURSEL, 0, 0));
                ListButtons buttons = SelectFeed(*form_, index);
                ShowFields(FieldsShown::Feed);
                ApplyButtons(buttons);
            }
            return;
        case IDC_SET_SITE:
        case IDC_SET_URL:
        case IDC_SET_MAXIMUM:
            if (code == EN_CHANGE) {
                ListButtons typed =
                    EnabledByTyping(*form_, Text(IDC_SET_SITE).c_str(), Text(IDC_SET_URL).c_str());
                if (typed.add) Enable(IDC_SET_ADD, true);
                if (typed.change) Enable(IDC_SET_CHANGE, true);
            }
            return;
        case IDC_SET_FONTFACE:
            if (code == CBN_SELCHANGE) {
                form_->deleteKeyArmed = true;
                HWND list = GetDlgItem(dialog_, IDC_SET_FONTFACE);
                int index = static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
                if (index < 0) return;
                int length =
                    static_cast<int>(SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
                std::wstring face(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
                SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(&face[0]));
                CopyCut(form_->face, sizeof form_->face, WideToCp932(face.c_str()).c_str());
                RemakeTickerFont(app_.settings.fsize, form_->workingWeight, form_->face);
            }
            return;
        case IDC_SET_SPEED:
            if (code == EN_CHANGE) PreviewSpeed(app_, *form_, Number(id));
            return;
        case IDC_SET_STEP:
            if (code == EN_CHANGE) PreviewStep(app_, *form_, Number(id));
            return;
        case IDC_SET_TRANSPARENCY:
            if (code == EN_CHANGE) PreviewTransparency(app_, *form_, Number(id));
            return;
        case IDC_SET_WIDTH:
        case IDC_SET_FSIZE:
            if (code == EN_CHANGE) ShowPositionHint();
            return;
        case IDC_SET_ADD:
            ApplyEdit(AddFeed(*form_, Text(IDC_SET_SITE).c_str(), Text(IDC_SET_URL).c_str(),
                              Text(IDC_SET_MAXIMUM).c_str()));
            return;
        case IDC_SET_CHANGE:
            ApplyEdit(ChangeFeed(*form_, Text(IDC_SET_SITE).c_str(), Text(IDC_SET_URL).c_str(),
                                 Text(IDC_SET_MAXIMUM).c_str()));
            return;
        case IDC_SET_DELETE:
            // The accelerator takes the Delete key from every control; in an edit field it still
            // deletes text there.
            if (code == 1 && !form_->deleteKeyArmed) {
                HWND focus = GetFocus();
                if (focus && GetParent(focus) == dialog_) SendMessageW(focus, WM_KEYDOWN, VK_DELETE, 0);
                return;
            }
            ApplyEdit(DeleteFeed(*form_));
            return;
        case IDC_SET_UP:
        case IDC_SET_DOWN:
            ApplyEdit(MoveFeed(*form_, id == IDC_SET_UP ? -1 : 1));
            return;
        case IDC_SET_LOOKUP:
            OnLookup();
            return;
        case IDC_SET_HOVERSTOP:
            if (code == BN_CLICKED) PreviewHoverStop(app_, Checked(IDC_SET_HOVERSTOP));
            return;
        case IDC_SET_OPML_SAVE:
            SaveOpmlFromSettings(app_, *form_);
            return;
        case IDC_SET_COLOR_BACK:
        case IDC_SET_COLOR_TEXT1:
        case IDC_SET_COLOR_TEXT2:
        case IDC_SET_COLOR_FRAME:
            if (code == BN_CLICKED) {
                SelectColour(*form_, id == IDC_SET_COLOR_BACK    ? kColourBack
                                     : id == IDC_SET_COLOR_TEXT1 ? kColourText1
                                     : id == IDC_SET_COLOR_TEXT2 ? kColourText2
                                                                 : kColourFrame);
                ShowColour();
            }
            return;
        case IDOK:
            OnOk();
            return;
        case IDCANCEL:
            OnCancel();
            return;
        default:
            // Any other notification, a click on "太字" among them: the bold preview follows the box.
            if (UpdateWorkingWeight(*form_, Checked(IDC_SET_BOLD))) {
                RemakeTickerFont(app_.settings.fsize, form_->workingWeight, form_->face);
            }
            return;
    }
}

void SettingsDialog::OnColourScroll(HWND bar, int code, int position) {
    const int id = GetDlgCtrlID(bar);
    const int component = id == IDC_SET_RED ? 0 : id == IDC_SET_GREEN ? 1 : id == IDC_SET_BLUE ? 2 : -1;
    if (component < 0) return;
    ScrollCode scroll = ScrollCode::Other;
    switch (code) {
        case SB_LINELEFT:
            scroll = ScrollCode::LineLeft;
            break;
        case SB_LINERIGHT:
            scroll = ScrollCode::LineRight;
            break;
        case SB_PAGELEFT:
            scroll = ScrollCode::PageLeft;
            break;
        case SB_PAGERIGHT:
            scroll = ScrollCode::PageRight;
            break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            scroll = ScrollCode::Thumb;
            break;
        default:
            return;  // other codes change nothing
    }
    ScrollColour(*form_, component, scroll, position);
    ShowColour();
    const RECT preview = PreviewRect(kPreviewUnits);
    InvalidateRect(dialog_, &preview, FALSE);
}

RECT SettingsDialog::PreviewRect(const RECT& dialogUnits) const {
    RECT pixels = dialogUnits;
    MapDialogRect(dialog_, &pixels);
    return pixels;
}

void SettingsDialog::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog_, &ps);
    const int(*c)[3] = form_->colours;
    const COLORREF back = RGB(c[kColourBack][0], c[kColourBack][1], c[kColourBack][2]);
    HBRUSH brush = CreateSolidBrush(back);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(c[kColourFrame][0], c[kColourFrame][1], c[kColourFrame][2]));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    const RECT preview = PreviewRect(kPreviewUnits), texts = PreviewRect(kPreviewTextUnits);
    Rectangle(dc, preview.left, preview.top, preview.right, preview.bottom);
    HGDIOBJ oldFont = SelectObject(dc, ticker_.smallFont12());
    SetBkColor(dc, back);
    const std::wstring text1 = Cp932ToWide("テキスト１"), text2 = Cp932ToWide("テキスト２");
    SetTextColor(dc, RGB(c[kColourText1][0], c[kColourText1][1], c[kColourText1][2]));
    TextOutW(dc, texts.left, texts.top, text1.c_str(), static_cast<int>(text1.size()));
    SetTextColor(dc, RGB(c[kColourText2][0], c[kColourText2][1], c[kColourText2][2]));
    TextOutW(dc, texts.right, texts.bottom, text2.c_str(), static_cast<int>(text2.size()));
    SelectObject(dc, oldFont);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
    EndPaint(dialog_, &ps);
}

void SettingsDialog::OnLookup() {
    if (lookup_.working() || dropping_) return;
    BeginLookup(Text(IDC_SET_URL), false);
}

void SettingsDialog::BeginLookup(const std::string& text, bool dropped) {
    const LookupOutcome outcome = lookup_.Begin(text.c_str(), dropped);
    if (outcome == LookupOutcome::Working) {
        // The dialog stays usable; the button shows that the lookup waits for an answer.
        SetText(IDC_SET_LOOKUP, "読み込み中...");
        Enable(IDC_SET_LOOKUP, false);
    }
    FollowLookup(outcome);
}

void SettingsDialog::FollowLookup(LookupOutcome outcome) {
    while (outcome == LookupOutcome::Choose) {
        const int chosen = RunFeedChooser(ticker_.instance(), dialog_, lookup_.links());
        if (!dialog_) return;  // destroyed with its owner meanwhile
        outcome = lookup_.Choose(chosen);
    }
    if (!dialog_) return;
    if (outcome == LookupOutcome::Working) {
        SetTimer(dialog_, kLookupTimer, kLookupTickMilliseconds, nullptr);
        return;
    }
    SetText(IDC_SET_LOOKUP, "RSSから読み込む");
    Enable(IDC_SET_LOOKUP, true);
    switch (outcome) {
        case LookupOutcome::Found:
            SetText(IDC_SET_URL, lookup_.url);
            SetText(IDC_SET_SITE, lookup_.site);
            SetDlgItemInt(dialog_, IDC_SET_MAXIMUM, static_cast<UINT>(lookup_.count), TRUE);
            break;
        case LookupOutcome::Opml:
            dropping_ = true;
            Enable(IDOK, false);
            Enable(IDCANCEL, false);
            ImportDroppedDocument(*form_, lookup_.document(), *this);
            if (!dialog_) return;
            lookup_.Cancel();
            dropping_ = false;
            Enable(IDOK, true);
            Enable(IDCANCEL, true);
            break;
        case LookupOutcome::NotTried:
        case LookupOutcome::Failed:
        case LookupOutcome::Working:
        case LookupOutcome::Choose:
            break;  // nothing is filled
    }
}

DropFormat DropFormatOf(UINT format) {
    if (format == CF_UNICODETEXT || format == CF_TEXT) return DropFormat::Text;
    return format == CF_HDROP ? DropFormat::Files : DropFormat::None;
}

// The dropped text as Shift_JIS, read no further than its block (the data may lack its zero).
std::string DroppedText(HGLOBAL data, UINT format) {
    std::string text;
    const SIZE_T size = GlobalSize(data);
    const void* locked = GlobalLock(data);
    if (!locked) return text;
    if (format == CF_UNICODETEXT) {
        const auto* wide = static_cast<const wchar_t*>(locked);
        const size_t units = size / sizeof(wchar_t);
        text = WideToCp932(std::wstring(wide, wcsnlen(wide, units)).c_str());
    } else {
        const auto* bytes = static_cast<const char*>(locked);
        text.assign(bytes, strnlen(bytes, size));
    }
    GlobalUnlock(data);
    return text;
}

void SettingsDialog::OnDrop(WPARAM call, DropNotification& record) {
    switch (call) {
        case kDragEnter:
            dragFormat_ = DropFormatOf(record.format);
            record.effect = AcceptedDropEffect(dragFormat_);
            return;
        case kDragOver:
            record.effect = AcceptedDropEffect(dragFormat_);
            return;
        case kDrop:
            break;
        default:
            return;
    }
    if (!DropAllowed(app_, dropping_ || lookup_.working())) return;
    const DropFormat format = DropFormatOf(record.format);
    if (format == DropFormat::None || !record.data) return;
    SetForegroundWindow(dialog_);
    if (format == DropFormat::Text) {
        // Looked up without waiting, as "RSSから読み込む" is.
        OnTextDrop(DroppedText(record.data, record.format));
        return;
    }
    dropping_ = true;
    Enable(IDOK, false);
    Enable(IDCANCEL, false);
    OnFilesDrop(static_cast<HDROP>(record.data));
    dropping_ = false;
    if (!dialog_) return;  // destroyed with its owner meanwhile
    Enable(IDOK, true);
    Enable(IDCANCEL, true);
}

void SettingsDialog::OnTextDrop(const std::string& text) {
    if (!DroppedAddressFits(app_, text.c_str()) || !dialog_) return;
    const std::string url = WithUtf8Request(text.c_str());
    SetText(IDC_SET_URL, url);
    BeginLookup(url, true);
}

void SettingsDialog::OnFilesDrop(HDROP files) {
    const UINT count = DragQueryFileW(files, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count && dialog_; ++i) {
        const UINT length = DragQueryFileW(files, i, nullptr, 0);
        std::wstring path(static_cast<size_t>(length) + 1, L'\0');
        if (DragQueryFileW(files, i, &path[0], length + 1) == 0) continue;
        path.resize(length);
        std::string document;
        // A file that cannot be read is passed over; the next one is tried.
        if (!ReadFileStart(path, kOpmlTextLimit, document)) continue;
        ImportDroppedDocument(*form_, TextView{document.c_str(), static_cast<int>(document.size())}, *this);
    }
}

void SettingsDialog::RunImport(TextView document) {
    RunOpmlImportDialog(ticker_.instance(), dialog_, app_, *form_, ticker_.messageBoxes(), *this, document);
}

void SettingsDialog::ShowOutline(const char* site, const char* url) {
    if (!dialog_) return;
    SetText(IDC_SET_SITE, site);
    SetText(IDC_SET_URL, url);
}

void SettingsDialog::ShowAddedFeed(int index) {
    if (!dialog_) return;
    const FeedTable& feeds = form_->feeds;
    SetDlgItemInt(dialog_, IDC_SET_MAXIMUM, static_cast<UINT>(feeds.maximum[index]), TRUE);
    HWND list = GetDlgItem(dialog_, IDC_SET_FEEDS);
    std::wstring line = Cp932ToWide(FeedLine(feeds, index).c_str());
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(ListExtent(feeds)), 0);
    SetText(IDC_SET_TOTAL, TotalText(feeds));
    ApplyButtons(ButtonsForSelection(*form_));
}

void SettingsDialog::OnOk() {
    if (dropping_) return;
    if (lookup_.working()) {  // what it would fill no longer matters
        lookup_.Cancel();
        FollowLookup(LookupOutcome::NotTried);
    }
    OkFields f;
    f.upday = Text(IDC_SET_UPDAY);
    f.uptimer = Text(IDC_SET_UPTIMER);
    f.speed = Text(IDC_SET_SPEED);
    f.step = Text(IDC_SET_STEP);
    f.transparency = Text(IDC_SET_TRANSPARENCY);
    f.alerttime = Text(IDC_SET_ALERTTIME);
    f.width = Text(IDC_SET_WIDTH);
    f.xmove = Text(IDC_SET_XMOVE);
    f.winX = Text(IDC_SET_WINX);
    f.winY = Text(IDC_SET_WINY);
    f.fsize = Text(IDC_SET_FSIZE);
    f.wintop = Checked(IDC_SET_WINTOP);
    f.scrollf = Checked(IDC_SET_SCROLLF);
    f.mousesche = Checked(IDC_SET_MOUSESCHE);
    f.savepos = Checked(IDC_SET_SAVEPOS);
    f.hoverstop = Checked(IDC_SET_HOVERSTOP);
    f.bold = Checked(IDC_SET_BOLD);
    HWND faces = GetDlgItem(dialog_, IDC_SET_FONTFACE);
    int index = static_cast<int>(SendMessageW(faces, CB_GETCURSEL, 0, 0));
    if (index >= 0) {
        int length = static_cast<int>(SendMessageW(faces, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
        std::wstring face(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
        SendMessageW(faces, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&face[0]));
        f.hasFace = true;
        f.face = WideToCp932(face.c_str());
    }
    AppSettings chosen;
    if (!BeginSettingsOk(app_, *form_, f, chosen) || !dialog_) return;
    // An interval corrected to 5 minutes shows 5, should the dialog stay open.
    SetDlgItemInt(dialog_, IDC_SET_UPTIMER, static_cast<UINT>(chosen.uptimer), TRUE);

    RemakeTickerFont(chosen.fsize, chosen.ftype, chosen.fontface);
    SIZE size = {};
    GetTextExtentPoint32W(ticker_.backBuffer(), L"\u30C6", 1, &size);  // "テ"
    SettleFontSize(chosen, ScaleFromDpi(size.cy, app_.screen.dpi));
    // The Run entry first: when the registry refuses, nothing else has changed either.
    const bool startedWithWindows = startup_.NamesThisProgram();
    if (ApplyStartWithWindows(startup_, Checked(IDC_SET_STARTUP), app_.platform.messages) && dialog_) {
        if (FinishSettingsOk(app_, *form_, chosen)) {
            if (dialog_) Close();
            return;
        }
        (void)ApplyStartWithWindows(startup_, startedWithWindows, app_.platform.messages);
    }
    // Nothing was taken: the ticker goes back to the previewed font.
    if (dialog_) RemakeTickerFont(app_.settings.fsize, form_->workingWeight, form_->face);
}

void SettingsDialog::OnCancel() {
    if (dropping_) return;
    if (lookup_.working()) {
        lookup_.Cancel();
        FollowLookup(LookupOutcome::NotTried);
    }
    const AppSettings& s = app_.settings;
    RemakeTickerFont(s.fsize, s.ftype, s.fontface);
    CancelSettings(app_, *form_);
    Close();
}

void SettingsDialog::Close() {
    app_.dialogOpen = false;
    if (ticker_.modelessDialog() == dialog_) ticker_.SetModelessDialog(nullptr);
    DestroyWindow(dialog_);
}

}  // namespace

void OpenSettingsDialog(TickerWindow& ticker) {
    App& app = ticker.app();
    app.dialogOpen = true;
    if (app.settings.savepos) {
        int x = 0, y = 0;
        if (app.platform.host.ClientOrigin(x, y)) {
            app.settings.winX = ScaleFromDpi(x, app.screen.dpi);
            app.settings.winY = ScaleFromDpi(y, app.screen.dpi);
        }
    }
    auto* dialog = new SettingsDialog(ticker);
    dialog->Hold();
    HWND window = CreateDialogParamW(ticker.instance(), MAKEINTRESOURCEW(IDD_SETTINGS), ticker.window(),
                                     SettingsDialog::Proc, reinterpret_cast<LPARAM>(dialog));
    // The window may be gone already: destroyed with the ticker while a box of its opening was up.
    const bool open = window && dialog->window() == window;
    const bool dropTarget = open && dialog->dropTarget();
    SettingsDialog::Release(dialog);
    if (!open) {
        // The dialog never existed, or no longer does: the ticker must not stay blocked.
        app.dialogOpen = false;
        return;
    }
    if (!dropTarget) {
        app.dialogOpen = false;
        DestroyWindow(window);  // the dialog object goes with its window
        return;
    }
    ticker.SetModelessDialog(window, true);
    ShowWindow(window, SW_SHOW);
}

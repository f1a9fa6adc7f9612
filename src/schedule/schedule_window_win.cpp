#include "schedule/schedule_window_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdio>
#include <string>

#include "platform/platform_win.h"
#include "platform/screen_scale.h"
#include "platform/wide_win.h"
#include "res/resource.h"
#include "schedule/task_editor_win.h"

namespace {

// Sets a header column's width after the header has finished its own handling of a drag.
constexpr UINT kSetColumnWidth = WM_APP + 1;

const char* const kColumnTitles[kScheduleColumnCount] = {"日付", "時刻", "タスク"};

COLORREF Colour(Rgb c) { return RGB(c.r, c.g, c.b); }

class GdiMeasure : public TextMeasure {
  public:
    explicit GdiMeasure(HDC dc) : dc_(dc) {}
    int Width(const char* text, size_t length) override {
        std::wstring wide = Cp932ToWide(text, static_cast<int>(length));
        SIZE size = {};
        GetTextExtentPoint32W(dc_, wide.c_str(), static_cast<int>(wide.size()), &size);
        return size.cx;
    }

  private:
    HDC dc_;
};

class ScheduleWindow {
  public:
    explicit ScheduleWindow(const ScheduleWindowContext& context)
        : context_(context),
          platform_{messages_,
                    context.platform->shell,
                    context.platform->clock,
                    context.platform->files,
                    context.platform->fetcher,
                    context.platform->pump,
                    context.platform->host} {}
    ScheduleWindow(const ScheduleWindow&) = delete;
    ScheduleWindow& operator=(const ScheduleWindow&) = delete;

    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    // Creates the dialog. Its creation counts as a handler on the stack: a window destroyed while it
    // opens (the ticker closed while an opening message box is up) frees this only afterwards. The
    // dialog, or null when it could not be created or is gone again; this is then freed.
    static HWND Create(ScheduleWindow* self);

  private:
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInit();
    // Places the header along the top, right of the buttons; returns the layout it was given.
    WINDOWPOS LayOutHeader();
    void OnPaint();
    void Draw(HDC dc, const RECT& client);
    bool EnsureBuffer(HDC dc, int width, int height);
    void ReleaseBuffer();
    void ReleaseResources();
    void OnLeftButtonUp(int x, int y);
    void OnRightButtonDown(int x, int y);
    void ShowPopupMenu();
    void OnHeaderEndTrack(const NMHEADERW& notification);
    void OnCommand(int command);
    void Close();
    int OuterHeight() const;
    // 96-dpi units in pixels of the screen.
    int Px(int units) { return ScaleToDpi(units, view().dpi); }
    void CreatePens();
    void DrawMarginButtons(HDC dc);

    ScheduleView& view() { return *context_.view; }
    ScheduleTable& schedule() { return *context_.schedule; }

    ScheduleWindowContext context_;
    Win32MessageBoxes messages_;
    Platform platform_;
    HWND dialog_ = nullptr;
    HWND header_ = nullptr;
    HPEN dottedPen_ = nullptr;
    HPEN linePen_ = nullptr;
    int averageCharWidth_ = 7;
    // The rows are drawn into this copy of the client area first, so they never flicker.
    HDC buffer_ = nullptr;
    HBITMAP bufferBitmap_ = nullptr;
    HGDIOBJ bufferOriginal_ = nullptr;
    int bufferWidth_ = 0, bufferHeight_ = 0;
    int depth_ = 0;          // handlers running on the stack
    bool orphaned_ = false;  // the window is gone; the last handler to return deletes this
};

INT_PTR CALLBACK ScheduleWindow::Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<ScheduleWindow*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        self->dialog_ = dialog;
        self->messages_.SetOwner(dialog);
        ++self->depth_;
        self->OnInit();
        --self->depth_;  // the creation still holds it: Create frees an orphan
        return TRUE;
    }
    auto* self = reinterpret_cast<ScheduleWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self) return FALSE;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        // Destroyed from inside one of its own handlers (closing, or the ticker destroyed while the
        // editor, a menu or a message box ran a modal loop): the handler finishes first.
        if (self->depth_ == 0) {
            delete self;
        } else {
            self->orphaned_ = true;
        }
        return FALSE;
    }
    ++self->depth_;
    INT_PTR result = self->Handle(message, wParam, lParam);
    if (--self->depth_ == 0 && self->orphaned_) delete self;
    return result;
}

INT_PTR ScheduleWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            LayOutHeader();
            return TRUE;
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(dialog_, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client,
                     static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, 1);
            return TRUE;
        }
        case WM_CTLCOLORDLG:
            return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
        case WM_PAINT:
            OnPaint();
            return TRUE;
        case WM_LBUTTONUP:
            OnLeftButtonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return TRUE;
        case WM_RBUTTONDOWN:
            OnRightButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return TRUE;
        case WM_MOUSEWHEEL:
            if (TurnWheel(view(), GET_WHEEL_DELTA_WPARAM(wParam), schedule().count)) {
                InvalidateRect(dialog_, nullptr, TRUE);
            }
            return TRUE;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == header_ &&
                (header->code == HDN_ENDTRACKW || header->code == HDN_ENDTRACKA)) {
                OnHeaderEndTrack(*reinterpret_cast<const NMHEADERW*>(lParam));
            }
            return FALSE;
        }
        case kSetColumnWidth: {
            HDITEMW item = {};
            item.mask = HDI_WIDTH;
            item.cxy = static_cast<int>(lParam);
            SendMessageW(header_, HDM_SETITEMW, wParam, reinterpret_cast<LPARAM>(&item));
            return TRUE;
        }
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return TRUE;
        case WM_DESTROY:
            ReleaseResources();
            return FALSE;
        default:
            return FALSE;
    }
}

void ScheduleWindow::OnInit() {
    ScheduleView& v = view();
    header_ = CreateWindowExW(0, WC_HEADERW, nullptr, WS_CHILD | WS_BORDER | HDS_HORZ, 0, 0, 0, 0, dialog_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SCHEDULE_HEADER)),
                              context_.instance, nullptr);
    SendMessageW(header_, WM_SETFONT, reinterpret_cast<WPARAM>(context_.rowFont), FALSE);
    // The columns are taken from the layout in the template's size, before the window is resized.
    WINDOWPOS layout = LayOutHeader();
    OpenScheduleView(v, layout.cx, layout.cy);
    for (int i = 0; i < kScheduleColumnCount; ++i) {
        std::wstring title = Cp932ToWide(kColumnTitles[i]);
        HDITEMW item = {};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.cxy = v.columnWidth[i];
        item.fmt = HDF_LEFT | HDF_STRING;
        item.pszText = &title[0];
        item.cchTextMax = static_cast<int>(title.size());
        SendMessageW(header_, HDM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    ShowWindow(header_, SW_SHOW);

    HDC dc = GetDC(dialog_);
    HGDIOBJ old = SelectObject(dc, context_.rowFont);
    TEXTMETRICW metrics = {};
    if (GetTextMetricsW(dc, &metrics)) {
        v.rowHeight = metrics.tmHeight + metrics.tmInternalLeading + Px(2);
        averageCharWidth_ = metrics.tmAveCharWidth;
    }
    SelectObject(dc, old);
    ReleaseDC(dialog_, dc);
    CreatePens();

    // The window always shows the file's content.
    LoadSchedule(schedule(), platform_);
    SortSchedule(schedule());
    ClampFirstVisible(v, schedule().count);

    SetWindowPos(dialog_, nullptr, 0, 0, Px(context_.settings->schecx), Px(context_.settings->schecy),
                 SWP_NOMOVE | SWP_NOZORDER);
    ShowWindow(dialog_, SW_SHOW);
    SetForegroundWindow(dialog_);
}

// Shifted right and narrowed by the button margin; the column widths stay.
WINDOWPOS ScheduleWindow::LayOutHeader() {
    WINDOWPOS layout = {};
    if (!header_) return layout;
    RECT client;
    GetClientRect(dialog_, &client);
    HDLAYOUT request = {&client, &layout};
    SendMessageW(header_, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&request));
    SetWindowPos(header_, nullptr, layout.x + Px(kScheduleMargin), layout.y, layout.cx - Px(kScheduleMargin),
                 layout.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    return layout;
}

bool ScheduleWindow::EnsureBuffer(HDC dc, int width, int height) {
    if (buffer_ && width <= bufferWidth_ && height <= bufferHeight_) return true;
    ReleaseBuffer();
    if (width <= 0 || height <= 0) return false;
    buffer_ = CreateCompatibleDC(dc);
    bufferBitmap_ = CreateCompatibleBitmap(dc, width, height);
    if (!buffer_ || !bufferBitmap_) {
        ReleaseBuffer();
        return false;
    }
    bufferOriginal_ = SelectObject(buffer_, bufferBitmap_);
    bufferWidth_ = width;
    bufferHeight_ = height;
    return true;
}

void ScheduleWindow::ReleaseBuffer() {
    if (buffer_) {
        SelectObject(buffer_, bufferOriginal_);
        DeleteDC(buffer_);
        buffer_ = nullptr;
    }
    if (bufferBitmap_) DeleteObject(bufferBitmap_);
    bufferBitmap_ = nullptr;
    bufferWidth_ = bufferHeight_ = 0;
}

void ScheduleWindow::ReleaseResources() {
    ReleaseBuffer();
    if (dottedPen_) DeleteObject(dottedPen_);
    if (linePen_) DeleteObject(linePen_);
    dottedPen_ = linePen_ = nullptr;
}

void ScheduleWindow::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog_, &ps);
    RECT client;
    GetClientRect(dialog_, &client);
    if (EnsureBuffer(dc, client.right, client.bottom)) {
        Draw(buffer_, client);
        BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
               ps.rcPaint.bottom - ps.rcPaint.top, buffer_, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    } else {
        Draw(dc, client);
    }
    EndPaint(dialog_, &ps);
}

void ScheduleWindow::Draw(HDC dc, const RECT& client) {
    ScheduleView& v = view();
    const ScheduleTable& table = schedule();
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    DrawMarginButtons(dc);

    HGDIOBJ oldFont = SelectObject(dc, context_.rowFont);
    TEXTMETRICW metrics = {};
    if (GetTextMetricsW(dc, &metrics)) {
        v.rowHeight = metrics.tmHeight + metrics.tmInternalLeading + Px(2);
        averageCharWidth_ = metrics.tmAveCharWidth;
    }
    const CivilTime today = platform_.clock.LocalNow();
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldPen = SelectObject(dc, dottedPen_);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(DC_BRUSH));
    GdiMeasure measure(dc);
    RowPlan plan;
    // Rows below the client area would be drawn where nobody sees them: they are skipped.
    const int end = RowsEnd(v, table.count, client.bottom);
    for (int i = v.firstVisible; i < end; ++i) {
        PlanRow(v, table, i, today, averageCharWidth_, measure, plan);
        if (plan.fill != RowFill::None) {
            SetDCBrushColor(dc, Colour(plan.fill == RowFill::Today ? kTodayFill : kPastFill));
            RECT band = {Px(kScheduleMargin), plan.top - 1, client.right, plan.top - 1 + v.rowHeight};
            FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        }
        SetTextColor(dc, Colour(plan.selected ? kSelectedText : kRowText));
        int x = Px(kScheduleMargin);
        for (int c = 0; c < kScheduleColumnCount; ++c) {
            std::wstring text = Cp932ToWide(plan.text[c]);
            TextOutW(dc, x + Px(kColumnInset), plan.top, text.c_str(), static_cast<int>(text.size()));
            x += v.columnWidth[c];
        }
        if (plan.separator) {
            const int y = plan.top + v.rowHeight - 2;
            MoveToEx(dc, Px(kScheduleMargin), y, nullptr);
            LineTo(dc, client.right, y);
        }
    }
    SelectObject(dc, linePen_);
    MoveToEx(dc, Px(kScheduleMargin), v.headerHeight, nullptr);
    LineTo(dc, Px(kScheduleMargin), client.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldFont);
}

// At 96 dpi 1-pixel cosmetic pens; above it geometric pens as wide as one unit, whose dots grow with
// them (a cosmetic dotted pen wider than 1 pixel would draw solid).
void ScheduleWindow::CreatePens() {
    const int width = Px(1);
    if (width <= 1) {
        dottedPen_ = CreatePen(PS_DOT, 1, Colour(kSeparatorColour));
        linePen_ = CreatePen(PS_SOLID, 1, Colour(kSeparatorColour));
        return;
    }
    LOGBRUSH brush = {BS_SOLID, Colour(kSeparatorColour), 0};
    dottedPen_ = ExtCreatePen(PS_GEOMETRIC | PS_DOT | PS_ENDCAP_FLAT, width, &brush, 0, nullptr);
    linePen_ = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT, width, &brush, 0, nullptr);
}

// The picture buttons at their places scaled to the screen; above 96 dpi stretched smoothly.
void ScheduleWindow::DrawMarginButtons(HDC dc) {
    HDC source = CreateCompatibleDC(dc);
    const int oldMode = SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    for (int i = 0; i < 4; ++i) {
        const ButtonPlace& place = kMarginButtons[i];
        if (!context_.buttons[i]) continue;
        HGDIOBJ old = SelectObject(source, context_.buttons[i]);
        const int width = Px(place.width), height = Px(place.height);
        if (width == place.width && height == place.height) {
            BitBlt(dc, place.x, place.y, width, height, source, 0, 0, SRCCOPY);
        } else {
            StretchBlt(dc, Px(place.x), Px(place.y), width, height, source, 0, 0, place.width, place.height,
                       SRCCOPY);
        }
        SelectObject(source, old);
    }
    SetStretchBltMode(dc, oldMode);
    DeleteDC(source);
}

int ScheduleWindow::OuterHeight() const {
    RECT outer;
    GetWindowRect(dialog_, &outer);
    return outer.bottom - outer.top;
}

void ScheduleWindow::OnLeftButtonUp(int x, int y) {
    if (x > Px(kScheduleMargin)) {
        view().selected = TaskAtY(view(), schedule().count, y);
        InvalidateRect(dialog_, nullptr, FALSE);
        return;
    }
    MarginButton button = MarginButtonAt(ScaleFromDpi(y, view().dpi));
    if (button == MarginButton::None) return;
    PressMarginButton(view(), button, schedule().count, OuterHeight());
    InvalidateRect(dialog_, nullptr, TRUE);
}

void ScheduleWindow::OnRightButtonDown(int x, int y) {
    if (x <= Px(kScheduleMargin)) return;
    view().selected = TaskAtY(view(), schedule().count, y);
    InvalidateRect(dialog_, nullptr, FALSE);
    UpdateWindow(dialog_);
    ShowPopupMenu();
}

void ScheduleWindow::ShowPopupMenu() {
    HMENU menu = LoadMenuW(context_.instance, MAKEINTRESOURCEW(IDM_SCHEDULE_POPUP));
    HMENU popup = menu ? GetSubMenu(menu, 0) : nullptr;
    POINT cursor = {};
    GetCursorPos(&cursor);
    SetForegroundWindow(dialog_);
    if (!popup || !TrackPopupMenu(popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, dialog_, nullptr)) {
        char text[64];
        snprintf(text, sizeof text, "ポップアップメニューエラー%lu", GetLastError());
        messages_.Show(text, "OPEN ERROR", MessageIcon::None);
    }
    if (menu) DestroyMenu(menu);
}

void ScheduleWindow::OnHeaderEndTrack(const NMHEADERW& notification) {
    if (!notification.pitem || !(notification.pitem->mask & HDI_WIDTH)) return;
    const int column = notification.iItem;
    if (column < 0 || column >= kScheduleColumnCount) return;
    const int width = ClampColumnWidth(notification.pitem->cxy, view().dpi);
    view().columnWidth[column] = width;
    // The header takes the dragged width when this notification returns; a snapped width follows.
    if (width != notification.pitem->cxy) PostMessageW(dialog_, kSetColumnWidth, column, width);
    RECT client;
    GetClientRect(dialog_, &client);
    RECT rows = {0, view().headerHeight, client.right, client.bottom};
    InvalidateRect(dialog_, &rows, TRUE);
}

void ScheduleWindow::OnCommand(int command) {
    TaskCommand result = TaskCommand::Stopped;
    switch (command) {
        case IDM_SCHEDULE_ADD:
            result = BeginAddTask(view(), schedule(), messages_);
            break;
        case IDM_SCHEDULE_EDIT:
            result = BeginEditTask(view(), schedule());
            break;
        case IDM_SCHEDULE_DELETE:
            result = DeleteSelectedTask(view(), schedule());
            break;
        case IDCANCEL:  // the Esc key and the close box
        case IDABORT:
            Close();
            return;
        default:
            return;
    }
    if (result == TaskCommand::RunEditor) {
        RunTaskEditor(context_.instance, dialog_, schedule(), view(), platform_);
    }
    if (result == TaskCommand::Stopped) return;
    // Written also when the editor was cancelled.
    InvalidateRect(dialog_, nullptr, TRUE);
    SaveSchedule(schedule(), platform_);
}

void ScheduleWindow::Close() {
    if (context_.closed) context_.closed();
    RECT outer;
    GetWindowRect(dialog_, &outer);
    context_.settings->schecx = ScaleFromDpi(outer.right - outer.left, view().dpi);
    context_.settings->schecy = ScaleFromDpi(outer.bottom - outer.top, view().dpi);
    SaveSettings(*context_.settings, platform_);
    DestroyWindow(dialog_);
}

HWND ScheduleWindow::Create(ScheduleWindow* self) {
    ++self->depth_;
    HWND dialog = CreateDialogParamW(self->context_.instance, MAKEINTRESOURCEW(IDD_SCHEDULE),
                                     self->context_.owner, Proc, reinterpret_cast<LPARAM>(self));
    --self->depth_;
    // Never attached, or destroyed before its creation returned: nobody else will free it.
    if (!self->dialog_ || self->orphaned_) {
        delete self;
        return nullptr;
    }
    return dialog;
}

}  // namespace

HWND CreateScheduleWindow(const ScheduleWindowContext& context) {
    if (!context.schedule || !context.view || !context.settings || !context.platform) return nullptr;
    return ScheduleWindow::Create(new ScheduleWindow(context));
}

#include "schedule/task_editor_win.h"

#include <commctrl.h>

#include <string>

#include "platform/platform_win.h"
#include "platform/screen_scale.h"
#include "platform/wide_win.h"
#include "res/resource.h"
#include "schedule/task_editor.h"

namespace {

constexpr int kHourMax = 23;
constexpr int kMinuteMax = 59;
constexpr int kCalendarX = 10, kCalendarY = 67;
constexpr int kHeightBelowCalendar = 103;  // the dialog's outer height is the calendar's + 103
constexpr int kMonthGap = 15;              // added to each month's width

class TaskEditor {
  public:
    TaskEditor(HINSTANCE instance, ScheduleTable& schedule, const ScheduleView& view, Platform& platform)
        : instance_(instance), schedule_(schedule), view_(view), platform_(platform) {}

    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInit();
    void CreateCalendar(const CivilTime& today);
    void Preset(const ScheduleEntry& task);
    void OnCommand(int id, int code);
    void OnOk();
    void FocusField(int id);
    void ShowDate(const CivilTime& date);
    void EnableTimeFields(bool enable);
    std::string FieldText(int id) const;

    HINSTANCE instance_;
    ScheduleTable& schedule_;
    const ScheduleView& view_;
    Platform& platform_;
    Win32MessageBoxes messages_;
    HWND dialog_ = nullptr;
    HWND calendar_ = nullptr;
    HWND hourSpin_ = nullptr;
    HWND minuteSpin_ = nullptr;
    int rememberedHour_ = 0;
    int rememberedMinute_ = 0;
    int noTimeState_ = 0;
    bool firstPaintDone_ = false;
    // The fields are filled during initialisation: their change notifications are not the user's.
    bool initializing_ = true;
};

INT_PTR CALLBACK TaskEditor::Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<TaskEditor*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        self->dialog_ = dialog;
        self->messages_.SetOwner(dialog);
        self->OnInit();
        return TRUE;
    }
    auto* self = reinterpret_cast<TaskEditor*>(GetWindowLongPtrW(dialog, DWLP_USER));
    return self ? self->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR TaskEditor::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            if (!firstPaintDone_) {
                firstPaintDone_ = true;
                FocusField(IDC_TASK_HOUR);
            }
            return FALSE;  // the dialog paints itself
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == calendar_ && header->code == MCN_SELCHANGE && !initializing_) {
                ShowDate(CivilFromSystemTime(reinterpret_cast<const NMSELCHANGE*>(lParam)->stSelStart));
                FocusField(IDC_TASK_HOUR);
            }
            return FALSE;
        }
        default:
            return FALSE;
    }
}

void TaskEditor::OnInit() {
    noTimeState_ = 0;
    firstPaintDone_ = false;
    const CivilTime now = platform_.clock.LocalNow();
    rememberedHour_ = now.hour;
    rememberedMinute_ = now.minute;
    ShowDate(now);

    HWND hour = GetDlgItem(dialog_, IDC_TASK_HOUR);
    HWND minute = GetDlgItem(dialog_, IDC_TASK_MINUTE);
    const DWORD spinStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | UDS_SETBUDDYINT | UDS_ALIGNRIGHT |
                            UDS_ARROWKEYS | UDS_NOTHOUSANDS;
    hourSpin_ = CreateUpDownControl(spinStyle, 0, 0, 0, 0, dialog_, IDC_TASK_SPIN, instance_, hour, kHourMax,
                                    0, now.hour);
    minuteSpin_ = CreateUpDownControl(spinStyle, 0, 0, 0, 0, dialog_, IDC_TASK_SPIN, instance_, minute,
                                      kMinuteMax, 0, now.minute);
    SendMessageW(hour, EM_LIMITTEXT, 2, 0);
    SendMessageW(minute, EM_LIMITTEXT, 2, 0);
    // Characters, not bytes: a longer text of double-byte characters is refused on OK.
    SendDlgItemMessageW(dialog_, IDC_TASK_TEXT, EM_LIMITTEXT, kSlotSize - 1, 0);

    HWND weekday = GetDlgItem(dialog_, IDC_TASK_WEEKDAY);
    for (const char* choice : kWeekdayChoices) {
        SendMessageW(weekday, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Cp932ToWide(choice).c_str()));
    }
    SendMessageW(weekday, CB_SETCURSEL, 0, 0);

    CreateCalendar(now);
    const int selected = view_.selected;
    if (view_.editorMode == 1 && selected >= 0 && selected < schedule_.count &&
        selected < kScheduleCapacity) {
        Preset(schedule_.entry[selected]);
    }
    initializing_ = false;
}

void TaskEditor::CreateCalendar(const CivilTime& today) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_DATE_CLASSES};
    InitCommonControlsEx(&controls);
    calendar_ =
        CreateWindowExW(0, MONTHCAL_CLASSW, L"Month Calendar", WS_CHILD | WS_VISIBLE | MCS_WEEKNUMBERS, 0, 0,
                        0, 0, dialog_, nullptr, instance_, nullptr);
    if (!calendar_) return;
    RECT minimum = {};
    SendMessageW(calendar_, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&minimum));
    const int w = minimum.right - minimum.left;
    const int h = minimum.bottom - minimum.top;
    RECT outer;
    GetWindowRect(dialog_, &outer);
    const int outerWidth = outer.right - outer.left;
    const int months = CalendarMonthsAcross(w, outerWidth);
    // The fixed distances are 96-dpi units, like the dialog's controls they keep clear of.
    const int dpi = view_.dpi;
    SetWindowPos(dialog_, nullptr, 0, 0, outerWidth, h + ScaleToDpi(kHeightBelowCalendar, dpi),
                 SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(calendar_, nullptr, ScaleToDpi(kCalendarX, dpi), ScaleToDpi(kCalendarY, dpi),
                 (w + ScaleToDpi(kMonthGap, dpi)) * months, h, SWP_NOZORDER);
    // The schedule file holds the years 2001 to 2999 only.
    SYSTEMTIME range[2] = {};
    range[0].wYear = 2001;
    range[0].wMonth = 1;
    range[0].wDay = 1;
    range[1].wYear = 2999;
    range[1].wMonth = 12;
    range[1].wDay = 31;
    SendMessageW(calendar_, MCM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range));
    SYSTEMTIME selection = SystemTimeFromCivil(today);
    SendMessageW(calendar_, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&selection));
}

// Every field comes from the task, weekly tasks included; a weekly task's date field is disabled.
void TaskEditor::Preset(const ScheduleEntry& task) {
    const TaskPreset preset = PresetFromTask(task);
    rememberedHour_ = preset.hour;
    rememberedMinute_ = preset.minute;
    ShowDate(preset.date);
    SendMessageW(hourSpin_, UDM_SETPOS32, 0, preset.hour);
    SendMessageW(minuteSpin_, UDM_SETPOS32, 0, preset.minute);
    SetDlgItemTextW(dialog_, IDC_TASK_TEXT, Cp932ToWide(preset.text).c_str());
    CivilTime date = preset.date;
    date.hour = date.minute = date.second = date.milliseconds = 0;
    SYSTEMTIME selection = SystemTimeFromCivil(date);
    if (calendar_) SendMessageW(calendar_, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&selection));
    SendDlgItemMessageW(dialog_, IDC_TASK_WEEKDAY, CB_SETCURSEL, preset.weekdayChoice, 0);
    EnableWindow(GetDlgItem(dialog_, IDC_TASK_DATE), preset.dateFieldEnabled);
    CheckDlgButton(dialog_, IDC_TASK_NOTIME, preset.noTime ? BST_CHECKED : BST_UNCHECKED);
    if (preset.noTime) {
        EnableTimeFields(false);
        noTimeState_ = 1;
    }
}

void TaskEditor::OnCommand(int id, int code) {
    if (id == IDOK) {
        OnOk();
        return;
    }
    if (id == IDCANCEL) {
        EndDialog(dialog_, 0);
        return;
    }
    if (initializing_) return;
    if (code == EN_CHANGE && id == IDC_TASK_HOUR) {
        if (AdvanceFocus(rememberedHour_, FieldText(IDC_TASK_HOUR).c_str())) FocusField(IDC_TASK_MINUTE);
    } else if (code == EN_CHANGE && id == IDC_TASK_MINUTE) {
        if (AdvanceFocus(rememberedMinute_, FieldText(IDC_TASK_MINUTE).c_str())) FocusField(IDC_TASK_TEXT);
    }
    const bool checked = IsDlgButtonChecked(dialog_, IDC_TASK_NOTIME) == BST_CHECKED;
    switch (FollowNoTimeBox(noTimeState_, checked)) {
        case NoTimeChange::DisableTime:
            EnableTimeFields(false);
            InvalidateRect(dialog_, nullptr, FALSE);
            break;
        case NoTimeChange::EnableTime:
            EnableTimeFields(true);
            FocusField(IDC_TASK_HOUR);
            InvalidateRect(dialog_, nullptr, FALSE);
            break;
        case NoTimeChange::None:
            break;
    }
}

void TaskEditor::OnOk() {
    SYSTEMTIME selection = {};
    if (!calendar_ || !SendMessageW(calendar_, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&selection)))
        return;
    const std::string hour = FieldText(IDC_TASK_HOUR);
    const std::string minute = FieldText(IDC_TASK_MINUTE);
    const std::string text = FieldText(IDC_TASK_TEXT);
    TaskForm form;
    form.date = CivilFromSystemTime(selection);
    form.hour = hour.c_str();
    form.minute = minute.c_str();
    form.noTimeState = noTimeState_;
    form.noTimeChecked = IsDlgButtonChecked(dialog_, IDC_TASK_NOTIME) == BST_CHECKED;
    form.weekdayChoice = static_cast<int>(SendDlgItemMessageW(dialog_, IDC_TASK_WEEKDAY, CB_GETCURSEL, 0, 0));
    form.text = text.c_str();
    ScheduleEntry record;
    if (!ReadTaskForm(form, record, messages_)) return;  // the dialog stays open
    StoreTask(schedule_, view_.editorMode, view_.selected, record);
    EndDialog(dialog_, 0);
}

void TaskEditor::FocusField(int id) {
    HWND field = GetDlgItem(dialog_, id);
    SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
    SendMessageW(field, EM_SETSEL, 0, -1);
}

void TaskEditor::ShowDate(const CivilTime& date) {
    char text[32];
    FormatDateField(date, text, sizeof text);
    SetDlgItemTextW(dialog_, IDC_TASK_DATE, Cp932ToWide(text).c_str());
}

void TaskEditor::EnableTimeFields(bool enable) {
    EnableWindow(GetDlgItem(dialog_, IDC_TASK_HOUR), enable);
    EnableWindow(GetDlgItem(dialog_, IDC_TASK_MINUTE), enable);
    EnableWindow(hourSpin_, enable);
    EnableWindow(minuteSpin_, enable);
}

std::string TaskEditor::FieldText(int id) const {
    HWND field = GetDlgItem(dialog_, id);
    int length = GetWindowTextLengthW(field);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(field, &text[0], length + 1);
    text.resize(wcslen(text.c_str()));
    return WideToCp932(text.c_str());
}

}  // namespace

void RunTaskEditor(HINSTANCE instance, HWND owner, ScheduleTable& schedule, const ScheduleView& view,
                   Platform& platform) {
    TaskEditor editor(instance, schedule, view, platform);
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_TASK_EDITOR), owner, TaskEditor::Proc,
                    reinterpret_cast<LPARAM>(&editor));
}

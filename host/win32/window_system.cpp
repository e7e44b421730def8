// Windows and controls: made from the core's unit state, kept showing it.
#include "host/win32/window_system.h"

#include <algorithm>
#include <utility>

#include "host/core/runtime.h"
#include "host/core/shown_item.h"
#include "host/core/wide_text_win32.h"
#include "host/win32/centred_label.h"
#include "host/win32/control_kinds.h"
#include "host/win32/control_text.h"
#include "host/win32/module_path.h"
#include "host/win32/private_messages.h"
#include "host/win32/trace.h"
#include "host/win32/window_classes.h"
#include "image/form_format.h"

namespace tockly::host::win32 {

namespace {

int control_id(std::size_t index) {
    return static_cast<int>(kFirstControlId + index);
}

// Between popups standing beside each other, in design pixels.
constexpr int kPopupGap = 4;

Box box_of(const RECT& r) {
    return Box{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// Brings a row the program has just put into a list into view, scrolling as little as it can.
void scroll_into_view(HWND list, std::int32_t index) {
    const auto top = static_cast<std::int32_t>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    const auto row_height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    RECT client{};
    GetClientRect(list, &client);
    const std::int32_t rows = row_height > 0 ? std::max(1, static_cast<int>(client.bottom) / row_height) : 1;
    if (index < top) {
        SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    } else if (index >= top + rows) {
        SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(index - rows + 1), 0);
    }
}

}  // namespace

Win32WindowSystem::Win32WindowSystem(Clock& clock, Trace* trace) : clock_(clock), trace_(trace) {
    instance_ = module_instance();
    if (const WindowDC screen(nullptr); screen) {
        const int d = GetDeviceCaps(screen.get(), LOGPIXELSY);
        if (d > 0) dpi_ = d;
    }
    register_window_classes(instance_);
    host_window_.reset(
        CreateWindowExW(0, kHostClass, L"Tockly", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_, this));
    timers_ = std::make_unique<SystemTimers>(host_window_.get(), clock_);
    tray_ = std::make_unique<TrayIcon>(host_window_.get(), kTrayMessage,
                                       [this](std::string_view what) { host_error(what); });
    sound_ = std::make_unique<SoundPlayer>(host_window_.get(), kSoundMessage);
}

Win32WindowSystem::~Win32WindowSystem() {
    timers_->stop_all();
    remove_tray_icon();
    sound_->end();
    windows_.clear();
    // The hidden window's last messages no longer reach what is going.
    if (host_window_) SetWindowLongPtrW(host_window_.get(), GWLP_USERDATA, 0);
    host_window_.reset();
    unregister_window_classes(instance_);
}

Win32WindowSystem::WindowData::~WindowData() {
    if (hwnd) SetWindowLongPtrW(hwnd.get(), GWLP_USERDATA, 0);
    for (HWND other : disabled_for_modal) {
        if (IsWindow(other)) EnableWindow(other, TRUE);
    }
}

int Win32WindowSystem::scale(int design_pixels) const {
    return MulDiv(design_pixels, dpi_, 96);
}

HWND Win32WindowSystem::start_window_handle() const {
    auto it = windows_.find(start_serial_);
    return it != windows_.end() ? it->second->hwnd.get() : nullptr;
}

Win32WindowSystem::WindowData* Win32WindowSystem::data_of(const WindowInstance& window) {
    return static_cast<WindowData*>(window.system_data);
}

Win32WindowSystem::Control* Win32WindowSystem::control_of(WindowData& data, std::uint32_t unit_id) {
    for (Control& c : data.controls) {
        if (c.unit_id == unit_id) return &c;
    }
    return nullptr;
}

UnitState* Win32WindowSystem::unit_with_control_id(WindowData& data, int id) {
    // A control's identifier is its unit's index (control_id).
    if (id < kFirstControlId) return nullptr;
    const auto index = static_cast<std::size_t>(id - kFirstControlId);
    return index < data.instance.units.size() ? &data.instance.units[index] : nullptr;
}

const UnitState* Win32WindowSystem::unit_of_control(WindowData& data, HWND hwnd) {
    // The list of a drop-down combo box is a window of its own inside the control.
    for (HWND candidate : {hwnd, GetParent(hwnd)}) {
        if (candidate != nullptr && GetParent(candidate) == data.hwnd.get())
            return unit_with_control_id(data, GetDlgCtrlID(candidate));
    }
    return nullptr;
}

COLORREF Win32WindowSystem::window_background(const WindowInstance& window) const {
    const std::uint32_t bg = window.self().design->background;
    return image::form_format::is_no_colour(bg) ? GetSysColor(COLOR_BTNFACE) : static_cast<COLORREF>(bg);
}

HBRUSH Win32WindowSystem::brush(COLORREF colour) {
    auto [it, made] = brushes_.try_emplace(colour);
    if (made) it->second.reset(CreateSolidBrush(colour));
    return it->second.get();
}

ScopedFont Win32WindowSystem::make_font(const UnitState& unit) const {
    const FontDesign& f = unit.design->font;
    LOGFONTW lf{};
    lf.lfHeight = MulDiv(unit.font_height, dpi_, 96);
    lf.lfWeight = f.weight;
    lf.lfCharSet = GB2312_CHARSET;
    lf.lfOutPrecision = OUT_STROKE_PRECIS;
    lf.lfClipPrecision = CLIP_STROKE_PRECIS;
    lf.lfQuality = DRAFT_QUALITY;
    lf.lfPitchAndFamily = VARIABLE_PITCH;
    const std::wstring face = wide_from_gbk(f.face);
    face.copy(lf.lfFaceName, std::min<std::size_t>(face.size(), LF_FACESIZE - 1));
    return ScopedFont(CreateFontIndirectW(&lf));
}

// --- Windows -------------------------------------------------------------------------------------

void Win32WindowSystem::create_window(WindowInstance& window) {
    auto data = std::make_unique<WindowData>(*this, window);
    WindowData& d = *data;
    windows_[window.serial] = std::move(data);
    if (start_serial_ == 0) start_serial_ = window.serial;
    window.system_data = &d;

    const UnitDesign& self = *window.self().design;
    const bool framed = self.frame_style != 0;
    // A window without a frame is a strip that shows news: above every other window, without a
    // taskbar button of its own.
    const DWORD style = framed ? (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX) : WS_POPUP;
    const DWORD ex_style = framed ? 0 : (WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    HWND owner = window.modal ? start_window_handle() : nullptr;
    d.popup = !framed;
    d.modal = window.modal;
    const Box place = place_on_screen(
        Box{scale(self.place.left), scale(self.place.top), scale(self.place.width), scale(self.place.height)},
        d.popup);
    d.hwnd.reset(CreateWindowExW(ex_style, kWindowClass, wide_from_gbk(window.self().text).c_str(), style,
                                 place.left, place.top, place.width, place.height, owner, nullptr, instance_,
                                 &d));
    if (!d.hwnd) {
        host_error("the window " + std::to_string(window.id()) + " could not be created");
        return;
    }
    create_controls(d);

    if (window.modal) {
        // A modal window takes all input from the windows opened before it.
        for (auto& [serial, other] : windows_) {
            HWND hwnd = other->hwnd.get();
            if (other.get() == &d || hwnd == nullptr || !IsWindowEnabled(hwnd)) continue;
            EnableWindow(hwnd, FALSE);
            d.disabled_for_modal.push_back(hwnd);
        }
    }
}

Box Win32WindowSystem::place_on_screen(const Box& design, bool popup) const {
    const RECT wanted{design.left, design.top, design.right(), design.bottom()};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &monitor)) return design;
    const Box area = box_of(monitor.rcWork);
    if (!popup) return fit_inside(design, area);
    std::vector<Box> shown;
    for (const auto& [serial, other] : windows_) {
        RECT r{};
        if (other->popup && other->hwnd && GetWindowRect(other->hwnd.get(), &r)) shown.push_back(box_of(r));
    }
    return popup_place(design, shown, area, scale(kPopupGap));
}

void Win32WindowSystem::raise_modal_popups() {
    for (const auto& [serial, other] : windows_) {
        if (other->popup && other->modal && other->hwnd && IsWindowVisible(other->hwnd.get()))
            SetWindowPos(other->hwnd.get(), HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void Win32WindowSystem::create_controls(WindowData& data) {
    WindowInstance& window = data.instance;
    // Stacking: earlier in the form lies on top, and group boxes lie beneath everything drawn
    // over them. Tab order follows the same order.
    std::vector<std::size_t> order;
    for (std::size_t i = 1; i < window.units.size(); ++i) {
        if (window.units[i].type() != UnitType::group_box) order.push_back(i);
    }
    for (std::size_t i = 1; i < window.units.size(); ++i) {
        if (window.units[i].type() == UnitType::group_box) order.push_back(i);
    }
    for (std::size_t i : order) {
        UnitState& unit = window.units[i];
        if (control_kind(unit.type()).window_class == nullptr) continue;
        HWND hwnd = create_control(data, unit, i);
        if (hwnd == nullptr) {
            host_error("the control " + unit.name() + " could not be created");
            continue;
        }
        SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

HWND Win32WindowSystem::create_control(WindowData& data, UnitState& unit, std::size_t index) {
    const WindowInstance& window = data.instance;
    const UnitDesign& design = *unit.design;
    const ControlKind& kind = control_kind(unit.type());
    if (kind.window_class == nullptr) return nullptr;
    const image::Place place = window.design->client_place(design);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | kind.style;
    if (kind.design_style != nullptr) style |= kind.design_style(design);
    if (unit.visible) style |= WS_VISIBLE;
    if (design.tab_stop) style |= WS_TABSTOP;
    if (unit.disabled && kind.can_disable) style |= WS_DISABLED;
    HWND hwnd =
        CreateWindowExW(kind.ex_style, kind.window_class, L"", style, scale(place.left), scale(place.top),
                        scale(place.width), scale(place.height + kind.drop_down_height), data.hwnd.get(),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id(index))), instance_, nullptr);
    if (hwnd == nullptr) return nullptr;
    Control& control = data.controls.emplace_back();
    control.unit_id = unit.id();
    control.index = index;
    control.hwnd.reset(hwnd);
    if (unit.type() == UnitType::label && label_breaks_lines(design)) {
        break_label_lines(hwnd);
        control.breaks_lines = true;
    }
    if (kind.takes_font) {
        control.font = make_font(unit);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(control.font.get()), FALSE);
    }
    if (kind.drop_down_height != 0) {
        // The closed box keeps the form's height whatever the font.
        const int field = scale(place.height) - 6;
        if (field > 0) SendMessageW(hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    }
    show_state(data, control, unit);
    return hwnd;
}

void Win32WindowSystem::fill_items(WindowData& data, Control& control, UnitState& unit) {
    const HostUpdate updating(data);
    const bool list = unit.type() == UnitType::list_box;
    const UINT reset = list ? LB_RESETCONTENT : CB_RESETCONTENT;
    const UINT add = list ? LB_ADDSTRING : CB_ADDSTRING;
    const LRESULT top = list ? SendMessageW(control.hwnd.get(), LB_GETTOPINDEX, 0, 0) : 0;
    SendMessageW(control.hwnd.get(), WM_SETREDRAW, FALSE, 0);
    SendMessageW(control.hwnd.get(), reset, 0, 0);
    if (list) {
        // Room for every row at once rather than growing with each.
        std::size_t bytes = 0;
        for (const std::string& item : unit.items)
            bytes += (shown_item_part(item).size() + 1) * sizeof(wchar_t);
        SendMessageW(control.hwnd.get(), LB_INITSTORAGE, unit.items.size(), static_cast<LPARAM>(bytes));
    }
    // Every row through one conversion buffer, straight to the control's window procedure: on
    // this thread that is what SendMessageW does, without its trip through the system for each of
    // a table's rows.
    const auto procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control.hwnd.get(), GWLP_WNDPROC));
    std::wstring text;
    for (const std::string& item : unit.items) {
        wide_from_gbk(shown_item_part(item), text);
        CallWindowProcW(procedure, control.hwnd.get(), add, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendMessageW(control.hwnd.get(), list ? LB_SETCURSEL : CB_SETCURSEL, static_cast<WPARAM>(unit.selection),
                 0);
    if (list && top > 0) SendMessageW(control.hwnd.get(), LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
    SendMessageW(control.hwnd.get(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(control.hwnd.get(), nullptr, TRUE);
}

void Win32WindowSystem::show_state(WindowData& data, Control& control, UnitState& unit) {
    const HostUpdate updating(data);
    const UnitType t = unit.type();
    if (control_kind(t).shows_caption) SetWindowTextW(control.hwnd.get(), wide_from_gbk(unit.text).c_str());
    if (control.breaks_lines) trace_label_lines(data, unit, control);
    if (t == UnitType::edit_box) {
        if (!unit.visible) {
            control.text_pending = true;
        } else if (control.text_pending || control_text(control.hwnd.get()) != unit.text) {
            // Text the user has just typed is already there: setting it again would move the caret.
            SetWindowTextW(control.hwnd.get(), wide_from_gbk(unit.text).c_str());
            control.text_pending = false;
        }
    }
    if (t == UnitType::check_box || t == UnitType::radio_button) {
        SendMessageW(control.hwnd.get(), BM_SETCHECK, unit.checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    if (t == UnitType::combo_box || t == UnitType::list_box) fill_items(data, control, unit);
}

void Win32WindowSystem::show_window(WindowInstance& window) {
    WindowData* data = data_of(window);
    if (data == nullptr || !data->hwnd) return;
    data->shown = true;
    for (Control& control : data->controls) {
        if (!control.items_pending || control.index >= window.units.size()) continue;
        control.items_pending = false;
        fill_items(*data, control, window.units[control.index]);
    }
    trace_window("open", window);
    if (trace_ != nullptr && window.serial == start_serial_) trace_->write_memory();
    if (!window.self().visible) return;
    int how = SW_SHOWNORMAL;
    // News in a popup must not take the keyboard from what the user is typing.
    if (window.serial != start_serial_ && !window.modal) how = SW_SHOWNOACTIVATE;
    ShowWindow(data->hwnd.get(), how);
    UpdateWindow(data->hwnd.get());
    if (data->popup && !data->modal) raise_modal_popups();
}

void Win32WindowSystem::destroy_window(WindowInstance& window) {
    trace_window("close", window);
    if (data_of(window) == nullptr) return;
    if (window.serial == tray_window_serial_) remove_tray_icon();
    window.system_data = nullptr;
    windows_.erase(window.serial);  // the window's one teardown (see WindowData)
}

void Win32WindowSystem::trace_label_lines(const WindowData& data, const UnitState& unit,
                                          const Control& control) {
    if (trace_ == nullptr) return;
    const LabelLayout layout = label_layout(control.hwnd.get());
    trace_->write(trace_->line("label_lines")
                      .text("unit", hex_id(unit.id()))
                      .number("serial", static_cast<std::int64_t>(data.instance.serial))
                      .text("text", Trace::utf8(unit.text))
                      .number("text_width", layout.text_width)
                      .number("room", layout.room)
                      .number("lines", static_cast<std::int64_t>(layout.lines))
                      .number("shown", static_cast<std::int64_t>(layout.shown)));
}

void Win32WindowSystem::trace_window(const char* kind, const WindowInstance& window) {
    if (trace_ == nullptr) return;
    JsonLine line = trace_->line(kind);
    line.text("window", hex_id(window.id())).number("serial", static_cast<std::int64_t>(window.serial));
    if (std::string_view(kind) == "open")
        line.boolean("modal", window.modal).boolean("visible", window.self().visible);
    trace_->write(line);
}

// --- State shown ---------------------------------------------------------------------------------

void Win32WindowSystem::unit_changed(WindowInstance& window, UnitState& unit, Change what) {
    WindowData* data = data_of(window);
    if (data == nullptr || !data->hwnd) return;
    HWND hwnd = data->hwnd.get();
    if (unit.type() == UnitType::window) {
        if (!data->shown) return;  // show_window shows the state the creation handler left
        const HostUpdate updating(*data);
        if (what == Change::visible) {
            ShowWindow(hwnd, unit.visible ? SW_SHOW : SW_HIDE);
        } else if (what == Change::placement) {
            if (unit.placement == placement::minimised && !IsIconic(hwnd)) {
                ShowWindow(hwnd, SW_MINIMIZE);
            } else if (unit.placement != placement::minimised) {
                if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
                if (IsWindowVisible(hwnd)) SetForegroundWindow(hwnd);
            }
        }
        return;
    }
    Control* control = control_of(*data, unit.id());
    if (control == nullptr) return;  // a unit without a window of its own (timer, dialog, menu)
    switch (what) {
        case Change::text:
        case Change::checked:
        case Change::items:
            show_state(*data, *control, unit);
            break;
        case Change::visible:
            if (unit.visible && control->text_pending) show_state(*data, *control, unit);
            ShowWindow(control->hwnd.get(), unit.visible ? SW_SHOWNA : SW_HIDE);
            break;
        case Change::disabled:
            if (control_kind(unit.type()).can_disable)
                EnableWindow(control->hwnd.get(), unit.disabled ? FALSE : TRUE);
            break;
        case Change::selection: {
            const HostUpdate updating(*data);
            SendMessageW(control->hwnd.get(), unit.type() == UnitType::list_box ? LB_SETCURSEL : CB_SETCURSEL,
                         static_cast<WPARAM>(unit.selection), 0);
            break;
        }
        case Change::font: {
            ScopedFont font = make_font(unit);
            SendMessageW(control->hwnd.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
            control->font = std::move(font);  // the old font goes once the control no longer uses it
            InvalidateRect(control->hwnd.get(), nullptr, TRUE);
            if (control->breaks_lines) trace_label_lines(*data, unit, *control);
            break;
        }
        case Change::text_colour:
            InvalidateRect(control->hwnd.get(), nullptr, TRUE);
            break;
        default:
            break;
    }
}

void Win32WindowSystem::item_edited(WindowInstance& window, UnitState& list, ItemEdit edit,
                                    std::int32_t index) {
    WindowData* data = data_of(window);
    if (data == nullptr || !data->hwnd) return;
    Control* control = control_of(*data, list.id());
    if (control == nullptr) return;
    if (!data->shown && list.type() == UnitType::list_box) {
        control->items_pending = true;
        return;
    }
    if (list.type() != UnitType::list_box || index < 0 ||
        static_cast<std::size_t>(index) > list.items.size()) {
        show_state(*data, *control, list);
        return;
    }
    // One row in or out, not the whole list again: start-up appends every row of the table.
    const HostUpdate updating(*data);
    if (edit == ItemEdit::inserted && static_cast<std::size_t>(index) < list.items.size()) {
        const std::wstring text = wide_from_gbk(shown_item_part(list.items[static_cast<std::size_t>(index)]));
        SendMessageW(control->hwnd.get(), LB_INSERTSTRING, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(text.c_str()));
    } else if (edit == ItemEdit::deleted) {
        SendMessageW(control->hwnd.get(), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    }
    if (SendMessageW(control->hwnd.get(), LB_GETCURSEL, 0, 0) != list.selection)
        SendMessageW(control->hwnd.get(), LB_SETCURSEL, static_cast<WPARAM>(list.selection), 0);
    // The user sees the entry taken: an add, a countdown or a modify puts its row in view.
    if (edit == ItemEdit::inserted) scroll_into_view(control->hwnd.get(), index);
}

void Win32WindowSystem::set_focus(WindowInstance& window, UnitState& unit) {
    WindowData* data = data_of(window);
    if (data == nullptr) return;
    if (Control* control = control_of(*data, unit.id())) SetFocus(control->hwnd.get());
}

}  // namespace tockly::host::win32

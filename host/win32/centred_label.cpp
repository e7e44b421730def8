#include "host/win32/centred_label.h"

#include <string>
#include <vector>

#include "host/core/wide_text_win32.h"
#include "host/win32/label_lines.h"
#include "host/win32/window_classes.h"

namespace tockly::host::win32 {

namespace {

// The control's own window procedure, kept on the label.
constexpr wchar_t kControlProcedure[] = L"Tockly.LabelProcedure";

// The label's font on a device context, for as long as this lives.
class FontSelected {
  public:
    FontSelected(HDC dc, HWND label)
        : dc_(dc), font_(reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0))) {
        if (font_ != nullptr) old_ = SelectObject(dc_, font_);
    }
    ~FontSelected() {
        if (old_ != nullptr) SelectObject(dc_, old_);
    }
    FontSelected(const FontSelected&) = delete;
    FontSelected& operator=(const FontSelected&) = delete;

  private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ old_ = nullptr;
};

int text_width(HDC dc, const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

struct Lines {
    LabelLayout layout;
    int line_height = 0;
    std::vector<std::wstring> shown;
};

// `dc` has the label's font selected.
Lines lines_of(HWND label, HDC dc) {
    Lines out;
    RECT client{};
    GetClientRect(label, &client);
    out.layout.room = client.right;
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    out.line_height = metrics.tmHeight;
    const std::string text = control_text(label);
    std::wstring wide;
    const MeasureText measure = [&](std::string_view piece) {
        wide_from_gbk(piece, wide);
        return text_width(dc, wide);
    };
    out.layout.text_width = measure(text);
    const std::vector<LineSpan> spans = break_into_lines(text, out.layout.room, measure);
    out.layout.lines = spans.size();
    out.layout.shown = lines_shown(spans.size(), out.line_height, client.bottom);
    for (std::size_t i = 0; i < out.layout.shown; ++i)
        out.shown.push_back(wide_from_gbk(std::string_view(text).substr(spans[i].offset, spans[i].length)));
    return out;
}

Lines measured_lines(HWND label) {
    HDC dc = GetDC(label);
    if (dc == nullptr) return {};
    Lines lines;
    {
        const FontSelected font(dc, label);
        lines = lines_of(label, dc);
    }
    ReleaseDC(label, dc);
    return lines;
}

void paint_lines(HWND label, const Lines& lines) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(label, &paint);
    if (dc == nullptr) return;
    RECT client{};
    GetClientRect(label, &client);
    // The colours the window gives the label, asked for as the control itself asks.
    auto background = reinterpret_cast<HBRUSH>(SendMessageW(
        GetParent(label), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label)));
    FillRect(dc, &client, background != nullptr ? background : GetSysColorBrush(COLOR_BTNFACE));
    {
        const FontSelected font(dc, label);
        SetBkMode(dc, TRANSPARENT);
        const int block = lines.line_height * static_cast<int>(lines.shown.size());
        int top = (client.bottom - block) / 2;
        for (const std::wstring& line : lines.shown) {
            const int left = (client.right - text_width(dc, line)) / 2;
            ExtTextOutW(dc, left, top, ETO_CLIPPED, &client, line.c_str(), static_cast<UINT>(line.size()),
                        nullptr);
            top += lines.line_height;
        }
    }
    EndPaint(label, &paint);
}

LRESULT CALLBACK label_procedure(HWND label, UINT message, WPARAM wparam, LPARAM lparam) {
    const auto control = reinterpret_cast<WNDPROC>(GetPropW(label, kControlProcedure));
    if (control == nullptr) return DefWindowProcW(label, message, wparam, lparam);
    switch (message) {
        case WM_PAINT: {
            const Lines lines = measured_lines(label);
            if (lines.layout.lines <= 1) break;
            paint_lines(label, lines);
            return 0;
        }
        case WM_SETTEXT:
        case WM_SETFONT:
        case WM_ENABLE: {
            const LRESULT result = CallWindowProcW(control, label, message, wparam, lparam);
            // The control may have drawn the new text on one line already, outside WM_PAINT.
            if (IsWindowVisible(label) && measured_lines(label).layout.lines > 1)
                InvalidateRect(label, nullptr, TRUE);
            return result;
        }
        case WM_NCDESTROY:
            SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(control));
            RemovePropW(label, kControlProcedure);
            break;
        default:
            break;
    }
    return CallWindowProcW(control, label, message, wparam, lparam);
}

}  // namespace

void break_label_lines(HWND label) {
    const LONG_PTR control = GetWindowLongPtrW(label, GWLP_WNDPROC);
    if (control == 0 || !SetPropW(label, kControlProcedure, reinterpret_cast<HANDLE>(control))) return;
    SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(label_procedure));
}

LabelLayout label_layout(HWND label) {
    return measured_lines(label).layout;
}

}  // namespace tockly::host::win32

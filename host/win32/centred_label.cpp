#include "host/win32/centred_label.h"

#include <string>
#include <vector>

#include "host/core/wide_text_win32.h"
#include "host/win32/control_text.h"
#include "host/win32/label_lines.h"
#include "host/win32/scoped_resources.h"

namespace tockly::host::win32 {

namespace {

// The control's own window procedure, kept on the label.
constexpr wchar_t kControlProcedure[] = L"Tockly.LabelProcedure";

HFONT font_of(HWND label) {
    return reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
}

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
    const WindowDC dc(label);
    if (!dc) return {};
    const Selected font(dc.get(), font_of(label));
    return lines_of(label, dc.get());
}

void paint_lines(HWND label, const Lines& lines) {
    const PaintDC painting(label);
    if (!painting) return;
    HDC dc = painting.get();
    RECT client{};
    GetClientRect(label, &client);
    // The colours the window gives the label, asked for as the control itself asks.
    auto background = reinterpret_cast<HBRUSH>(SendMessageW(
        GetParent(label), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label)));
    FillRect(dc, &client, background != nullptr ? background : GetSysColorBrush(COLOR_BTNFACE));
    {
        const Selected font(dc, font_of(label));
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

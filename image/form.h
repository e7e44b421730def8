// The form data of an application image as a value: its windows, and for each window every unit
// (self-unit, controls, menu items, non-visual units) with its record and typed property blob.
//
// The model keeps every field of the format, the reserved and always-zero ones included, so that
// any form the reader accepts is written back byte for byte. Those fields default to the values a
// writer of new form data puts there. Counts, lengths and record offsets are not kept: the writer
// computes them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "image/form_format.h"
#include "image/unit_type.h"

namespace tockly::image {

constexpr std::uint32_t type_word(UnitType t) {
    return form_format::type_word(static_cast<std::uint16_t>(t));
}

// A COLORREF, 0x00BBGGRR; 0xFF000000 means the unit has no colour of its own there.
struct Colour {
    std::uint32_t ref = 0;

    static constexpr Colour rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return Colour{static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
                      (static_cast<std::uint32_t>(b) << 16)};
    }
    static constexpr Colour none() { return Colour{form_format::colour_none}; }
    constexpr bool is_none() const { return ref == form_format::colour_none; }
    constexpr std::uint8_t red() const { return ref & 0xFF; }
    constexpr std::uint8_t green() const { return (ref >> 8) & 0xFF; }
    constexpr std::uint8_t blue() const { return (ref >> 16) & 0xFF; }
    bool operator==(const Colour&) const = default;
};

// A Windows LOGFONTA. The face is kept as its 32 raw bytes: bytes after the terminating zero are
// not significant but are kept so the font is written back unchanged.
struct LogFont {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 400;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strike_out = 0;
    std::uint8_t char_set = 134;  // GB2312
    std::uint8_t out_precision = 3;
    std::uint8_t clip_precision = 2;
    std::uint8_t quality = 1;
    std::uint8_t pitch_and_family = 2;
    std::array<std::uint8_t, form_format::logfont_face_size> face_bytes{};

    // The face name: the bytes before the first zero (all 32 if there is none).
    std::string face() const;
    // Sets the face name and zeroes the rest of the field. A name of all 32 bytes (longer ones are
    // cut) has no terminating zero, as some fonts in the wild have.
    void set_face(std::string_view name);
    // A font with the usual fixed values and the given face, height and weight.
    static LogFont make(std::string_view face, std::int32_t height, std::int32_t weight);
    bool operator==(const LogFont&) const = default;
};

// Counted font data: none (length 0, the host's default font) or a LOGFONTA.
using Font = std::optional<LogFont>;

// --- Property blobs, one per type. The lead u32 is implied by the type and not kept. ---------

// An empty blob: every property of the unit has the host's default. Any type may have one; it is
// the only blob a shape box may have.
struct EmptyBlob {
    bool operator==(const EmptyBlob&) const = default;
};

struct WindowBlob {
    std::uint32_t frame_style = 2;  // 0 = no frame and no caption bar
    std::uint32_t reserved8 = 1;
    Colour background = Colour::none();
    // Offsets 16 to 91; the defaults are a framed window's.
    std::array<std::uint32_t, form_format::window_reserved_words> reserved{0, 1, 1, 1, 1, 0, 0, 1, 0, 0,
                                                                           1, 0, 0, 0, 0, 0, 0, 0, 0};
    std::string caption;
    std::uint32_t tail = 0;
    bool operator==(const WindowBlob&) const = default;
};

struct LabelBlob {
    std::uint32_t reserved4 = 0;
    std::uint32_t reserved8 = 8;
    std::uint32_t reserved12 = 0;
    std::array<Colour, 3> shades_a{Colour::rgb(128, 128, 128), Colour::rgb(255, 255, 255),
                                   Colour::rgb(128, 128, 128)};
    Colour text_colour = Colour::rgb(0, 0, 0);
    Colour background = Colour::none();
    std::uint32_t reserved36 = 1;
    std::uint32_t reserved40 = 0;
    std::array<Colour, 3> shades_b{Colour::rgb(128, 128, 128), Colour::rgb(255, 255, 255),
                                   Colour::rgb(128, 128, 128)};
    std::uint32_t centred = 0;    // 1: caption centred horizontally
    std::uint32_t v_centred = 1;  // 1: caption centred vertically
    std::uint32_t reserved64 = 0;
    Font font;
    std::uint32_t after_font = 0;
    std::string caption;
    std::array<std::uint32_t, 2> tail{};
    bool operator==(const LabelBlob&) const = default;
};

struct EditBoxBlob {
    std::uint32_t reserved4 = 1;
    Colour text_colour = Colour::rgb(0, 0, 0);
    Colour background = Colour::rgb(255, 255, 255);
    std::uint32_t reserved16 = 1;
    std::array<std::uint32_t, 5> reserved20{};
    std::uint16_t reserved40 = 0x002A;  // the u16 that puts every later field off alignment
    std::array<std::uint32_t, 3> reserved42{};
    std::uint32_t reserved54 = 100;
    std::array<std::uint32_t, 2> reserved58{};
    Font font;
    std::string content;
    std::array<std::uint32_t, 2> tail{};
    bool operator==(const EditBoxBlob&) const = default;
};

struct GroupBoxBlob {
    std::uint32_t reserved4 = 0;
    Colour caption_colour = Colour::rgb(0, 0, 0);
    Colour background = Colour::none();
    Font font;
    std::string caption;
    bool operator==(const GroupBoxBlob&) const = default;
};

struct ButtonBlob {
    std::uint32_t reserved4 = 0;
    std::uint32_t reserved8 = 1;
    std::uint32_t reserved12 = 1;
    std::uint32_t reserved16 = 0;
    Font font;
    std::string caption;
    bool operator==(const ButtonBlob&) const = default;
};

struct CheckBoxBlob {
    std::uint32_t reserved4 = 1;
    std::array<std::uint32_t, 2> reserved8{};
    std::uint32_t reserved16 = 1;
    std::uint32_t reserved20 = 1;
    Colour text_colour = Colour::rgb(0, 0, 0);
    Colour background = Colour::none();
    std::uint32_t checked = 0;
    std::uint32_t reserved36 = 0;
    Font font;
    std::string caption;
    std::array<std::uint32_t, 2> tail{};
    bool operator==(const CheckBoxBlob&) const = default;
};

// Like a check box's, without the two trailing words.
struct RadioButtonBlob {
    std::uint32_t reserved4 = 0;
    std::array<std::uint32_t, 2> reserved8{};
    std::uint32_t reserved16 = 0;
    std::uint32_t reserved20 = 1;
    Colour text_colour = Colour::rgb(0, 0, 0);
    Colour background = Colour::none();
    std::uint32_t checked = 0;
    std::uint32_t reserved36 = 0;
    Font font;
    std::string caption;
    bool operator==(const RadioButtonBlob&) const = default;
};

struct ComboBoxBlob {
    std::uint32_t combo_type = 2;
    std::array<std::uint32_t, 4> reserved8{};
    std::uint32_t reserved24 = 1;
    Colour text_colour = Colour::rgb(0, 0, 0);
    Colour background = Colour::rgb(255, 255, 255);
    std::int32_t reserved36 = -1;
    Font font;
    std::array<std::uint32_t, 2> reserved_after_font{};
    std::vector<std::string> items;  // written with a u16 count: at most 65535
    std::array<std::uint32_t, 3> tail{};
    bool operator==(const ComboBoxBlob&) const = default;
};

struct ListBoxBlob {
    std::uint32_t reserved4 = 5;
    std::array<std::uint32_t, 2> reserved8{};
    std::uint32_t reserved16 = 1;
    Colour text_colour = Colour::rgb(0, 0, 0);       // offset 20
    Colour background = Colour::rgb(232, 244, 255);  // offset 24
    Colour reserved28 = Colour::rgb(0, 0, 0);        // offset 28
    std::int32_t reserved32 = -1;
    Font font;
    // The list's own items and the words around them; kept raw (all zero for an empty list).
    std::array<std::uint8_t, form_format::list_box_item_area> item_area{};
    bool operator==(const ListBoxBlob&) const = default;
};

struct CommonDialogBlob {
    std::array<std::uint32_t, form_format::common_dialog_reserved_words> reserved{0, 0, 0, 1, 1, 1, 0, 0, 0,
                                                                                  0, 0, 0, 0, 0, 0, 0, 0};
    std::string filter;  // description|pattern pairs, all separated by '|'
    std::string initial_dir;
    std::string default_ext;  // the third text
    std::array<std::uint32_t, 2> tail{};
    bool operator==(const CommonDialogBlob&) const = default;
};

struct TimerBlob {
    std::uint32_t period_ms = 0;  // 0 = not running
    bool operator==(const TimerBlob&) const = default;
};

using PropertyBlob =
    std::variant<EmptyBlob, WindowBlob, LabelBlob, EditBoxBlob, GroupBoxBlob, ButtonBlob, CheckBoxBlob,
                 RadioButtonBlob, ComboBoxBlob, ListBoxBlob, CommonDialogBlob, TimerBlob>;

// Whether a blob of this alternative may stand in a unit of type `t` (EmptyBlob fits every type).
bool blob_fits_type(const PropertyBlob& blob, UnitType t);

// --- Records ----------------------------------------------------------------------------------

using ZeroBlock = std::array<std::uint8_t, form_format::record_zero_block>;

struct EventBinding {
    std::int32_t event = 0;
    std::uint32_t handler = 0;  // byte offset of the handler routine in the code segment's data
    bool operator==(const EventBinding&) const = default;
};

struct Place {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const Place&) const = default;
};

// Every unit except menu items.
struct UnitRecord {
    UnitType type = UnitType::window;
    ZeroBlock zero_a{};
    std::string name;
    std::string comment;
    std::uint32_t zero_b = 0;
    Place place;
    std::uint32_t zero_c = 0;
    std::uint32_t parent = 0;             // 0, or the identifier of the group box holding the unit
    std::vector<std::uint32_t> children;  // stacking order, topmost first
    std::string reserved_data{'\0', '\0', '\0', '\0'};  // counted data
    std::string reserved_text;                          // NUL text
    std::uint32_t zero_d = 0;
    std::uint32_t flags = 0;
    std::int32_t zero_e = 0;
    std::vector<EventBinding> bindings;
    ZeroBlock zero_f{};
    PropertyBlob blob;

    bool visible() const { return (flags & form_format::flag_visible) != 0; }
    bool disabled() const { return (flags & form_format::flag_disabled) != 0; }
    bool tab_stop() const { return (flags & form_format::flag_tab_stop) != 0; }
    // The handler bound to `event`, or none (the first binding wins if one is listed twice).
    std::optional<std::uint32_t> handler(std::int32_t event) const;
    bool operator==(const UnitRecord&) const = default;
};

struct MenuItemRecord {
    ZeroBlock zero_a{};
    std::string name;
    std::string comment;
    std::uint32_t zero_b = 0;
    std::uint32_t level = 0;  // 0 top level; 1 under the nearest top-level item before it
    std::uint32_t state = 0;  // 1 = not shown as part of a menu bar
    std::string caption;
    std::int32_t handler = form_format::menu_no_handler;  // -1 = none
    std::array<std::uint8_t, form_format::menu_tail_zero> zero_tail{};

    std::optional<std::uint32_t> selection_handler() const {
        if (handler < 0) return std::nullopt;
        return static_cast<std::uint32_t>(handler);
    }
    bool operator==(const MenuItemRecord&) const = default;
};

struct FormUnit {
    std::uint32_t id = 0;
    std::variant<UnitRecord, MenuItemRecord> record;

    UnitType type() const;
    const UnitRecord* unit() const { return std::get_if<UnitRecord>(&record); }
    UnitRecord* unit() { return std::get_if<UnitRecord>(&record); }
    const MenuItemRecord* menu_item() const { return std::get_if<MenuItemRecord>(&record); }
    MenuItemRecord* menu_item() { return std::get_if<MenuItemRecord>(&record); }
    bool operator==(const FormUnit&) const = default;
};

struct FormWindow {
    std::uint32_t id = 0;           // window identifier (0x52......)
    std::uint32_t header_word = 0;  // the per-window u32 of the header; not needed for reading
    std::uint32_t record_word = 0;  // the first u32 of the window record; not needed for reading
    std::uint32_t class_id = 0;     // window class identifier (0x19......)
    std::string name;
    std::string comment;
    std::vector<FormUnit> units;  // unit order: the self-unit first, then stacking order

    // The window's self-unit (the first unit), if it has one.
    const FormUnit* self_unit() const { return units.empty() ? nullptr : &units.front(); }
    const FormUnit* find_unit(std::uint32_t unit_id) const;
    FormUnit* find_unit(std::uint32_t unit_id);
    bool operator==(const FormWindow&) const = default;
};

struct FormData {
    std::vector<FormWindow> windows;

    const FormWindow* find_window(std::uint32_t window_id) const;
    FormWindow* find_window(std::uint32_t window_id);
    bool operator==(const FormData&) const = default;
};

// The handler a unit of a window binds to an event, or none. For a menu item the event is ignored
// and its selection handler is given.
std::optional<std::uint32_t> find_handler(const FormData& form, std::uint32_t window_id,
                                          std::uint32_t unit_id, std::int32_t event);

}  // namespace tockly::image

#include "image/form_reader.h"

#include <set>
#include <string>
#include <utility>

#include "image/cursor.h"
#include "image/form_format.h"

namespace tockly::image {

namespace ff = form_format;

// Reads `expr` (a Result) into `target`, or returns its error.
#define FORM_READ(target, expr)                         \
    do {                                                \
        auto form_read_r_ = (expr);                     \
        if (!form_read_r_) return form_read_r_.error(); \
        (target) = std::move(*form_read_r_);            \
    } while (0)

#define FORM_CHECK(expr)                                  \
    do {                                                  \
        auto form_check_r_ = (expr);                      \
        if (!form_check_r_) return form_check_r_.error(); \
    } while (0)

namespace {

// Field names in errors are paths like "windows[1].units[3].blob.caption".
class Reader {
  public:
    Reader(ReadCursor& c, std::string path) : c_(c), path_(std::move(path)) {}

    std::string f(std::string_view name) const { return path_ + "." + std::string(name); }

    Status u32(std::uint32_t& v, std::string_view name) {
        FORM_READ(v, c_.u32(f(name)));
        return Ok{};
    }
    Status i32(std::int32_t& v, std::string_view name) {
        FORM_READ(v, c_.i32(f(name)));
        return Ok{};
    }
    Status u16(std::uint16_t& v, std::string_view name) {
        FORM_READ(v, c_.u16(f(name)));
        return Ok{};
    }
    Status colour(Colour& v, std::string_view name) { return u32(v.ref, name); }
    template <std::size_t N>
    Status words(std::array<std::uint32_t, N>& v, std::string_view name) {
        for (auto& w : v) FORM_CHECK(u32(w, name));
        return Ok{};
    }
    template <std::size_t N>
    Status colours(std::array<Colour, N>& v, std::string_view name) {
        for (auto& w : v) FORM_CHECK(colour(w, name));
        return Ok{};
    }
    template <std::size_t N>
    Status raw(std::array<std::uint8_t, N>& v, std::string_view name) {
        std::span<const std::uint8_t> b;
        FORM_READ(b, c_.take(N, f(name)));
        std::copy(b.begin(), b.end(), v.begin());
        return Ok{};
    }
    Status counted(std::string& v, std::string_view name) {
        FORM_READ(v, c_.counted_text(f(name)));
        return Ok{};
    }
    Status nul(std::string& v, std::string_view name) {
        FORM_READ(v, c_.nul_text(f(name)));
        return Ok{};
    }

    Status font(Font& v, std::string_view name) {
        const std::uint64_t at = c_.offset();
        std::uint32_t size = 0;
        FORM_CHECK(u32(size, std::string(name) + ".size"));
        if (size == 0) {
            v.reset();
            return Ok{};
        }
        if (size != ff::logfont_size) {
            return make_error(f(std::string(name) + ".size"), at, size,
                              "a font is either empty or a 60-byte LOGFONT");
        }
        LogFont lf;
        FORM_CHECK(i32(lf.height, name));
        FORM_CHECK(i32(lf.width, name));
        FORM_CHECK(i32(lf.escapement, name));
        FORM_CHECK(i32(lf.orientation, name));
        FORM_CHECK(i32(lf.weight, name));
        for (std::uint8_t* b : {&lf.italic, &lf.underline, &lf.strike_out, &lf.char_set, &lf.out_precision,
                                &lf.clip_precision, &lf.quality, &lf.pitch_and_family}) {
            FORM_READ(*b, c_.u8(f(name)));
        }
        FORM_CHECK(raw(lf.face_bytes, std::string(name) + ".face"));
        v = lf;
        return Ok{};
    }

    // Reads a count of elements that each take at least `min_each` bytes, refusing a count the
    // remaining bytes cannot hold before anything is multiplied or allocated.
    Status count(std::uint64_t& v, std::uint64_t raw_count, std::uint64_t at, std::uint64_t min_each,
                 std::string_view name) {
        if (raw_count > c_.remaining() / min_each) {
            return make_error(
                f(name), at, raw_count,
                "count cannot fit in the " + std::to_string(c_.remaining()) + " bytes that remain");
        }
        v = raw_count;
        return Ok{};
    }

    ReadCursor& cursor() { return c_; }
    const std::string& path() const { return path_; }

  private:
    ReadCursor& c_;
    std::string path_;
};

Status read_blob_fields(Reader& r, WindowBlob& b) {
    FORM_CHECK(r.u32(b.frame_style, "frame_style"));
    FORM_CHECK(r.u32(b.reserved8, "reserved8"));
    FORM_CHECK(r.colour(b.background, "background"));
    FORM_CHECK(r.words(b.reserved, "reserved"));
    FORM_CHECK(r.counted(b.caption, "caption"));
    return r.u32(b.tail, "tail");
}

Status read_blob_fields(Reader& r, LabelBlob& b) {
    FORM_CHECK(r.u32(b.reserved4, "reserved4"));
    FORM_CHECK(r.u32(b.reserved8, "reserved8"));
    FORM_CHECK(r.u32(b.reserved12, "reserved12"));
    FORM_CHECK(r.colours(b.shades_a, "shades_a"));
    FORM_CHECK(r.colour(b.text_colour, "text_colour"));
    FORM_CHECK(r.colour(b.background, "background"));
    FORM_CHECK(r.u32(b.reserved36, "reserved36"));
    FORM_CHECK(r.u32(b.reserved40, "reserved40"));
    FORM_CHECK(r.colours(b.shades_b, "shades_b"));
    FORM_CHECK(r.u32(b.centred, "centred"));
    FORM_CHECK(r.u32(b.v_centred, "v_centred"));
    FORM_CHECK(r.u32(b.reserved64, "reserved64"));
    FORM_CHECK(r.font(b.font, "font"));
    FORM_CHECK(r.u32(b.after_font, "after_font"));
    FORM_CHECK(r.counted(b.caption, "caption"));
    return r.words(b.tail, "tail");
}

Status read_blob_fields(Reader& r, EditBoxBlob& b) {
    FORM_CHECK(r.u32(b.reserved4, "reserved4"));
    FORM_CHECK(r.colour(b.text_colour, "text_colour"));
    FORM_CHECK(r.colour(b.background, "background"));
    FORM_CHECK(r.u32(b.reserved16, "reserved16"));
    FORM_CHECK(r.words(b.reserved20, "reserved20"));
    FORM_CHECK(r.u16(b.reserved40, "reserved40"));
    FORM_CHECK(r.words(b.reserved42, "reserved42"));
    FORM_CHECK(r.u32(b.reserved54, "reserved54"));
    FORM_CHECK(r.words(b.reserved58, "reserved58"));
    FORM_CHECK(r.font(b.font, "font"));
    FORM_CHECK(r.counted(b.content, "content"));
    return r.words(b.tail, "tail");
}

Status read_blob_fields(Reader& r, GroupBoxBlob& b) {
    FORM_CHECK(r.u32(b.reserved4, "reserved4"));
    FORM_CHECK(r.colour(b.caption_colour, "caption_colour"));
    FORM_CHECK(r.colour(b.background, "background"));
    FORM_CHECK(r.font(b.font, "font"));
    return r.counted(b.caption, "caption");
}

Status read_blob_fields(Reader& r, ButtonBlob& b) {
    FORM_CHECK(r.u32(b.reserved4, "reserved4"));
    FORM_CHECK(r.u32(b.reserved8, "reserved8"));
    FORM_CHECK(r.u32(b.reserved12, "reserved12"));
    FORM_CHECK(r.u32(b.reserved16, "reserved16"));
    FORM_CHECK(r.font(b.font, "font"));
    return r.counted(b.caption, "caption");
}

template <typename Toggle>
Status read_toggle_fields(Reader& r, Toggle& b) {
    FORM_CHECK(r.u32(b.reserved4, "reserved4"));
    FORM_CHECK(r.words(b.reserved8, "reserved8"));
    FORM_CHECK(r.u32(b.reserved16, "reserved16"));
    FORM_CHECK(r.u32(b.reserved20, "reserved20"));
    FORM_CHECK(r.colour(b.text_colour, "text_colour"));
    FORM_CHECK(r.colour(b.background, "background"));
    FORM_CHECK(r.u32(b.checked, "checked"));
    FORM_CHECK(r.u32(b.reserved36, "reserved36"));
    FORM_CHECK(r.font(b.font, "font"));
    return r.counted(b.caption, "caption");
}

Status read_blob_fields(Reader& r, CheckBoxBlob& b) {
    FORM_CHECK(read_toggle_fields(r, b));
    return r.words(b.tail, "tail");
}

Status read_blob_fields(Reader& r, RadioButtonBlob& b) {
    return read_toggle_fields(r, b);
}

Status read_blob_fields(Reader& r, ComboBoxBlob& b) {
    FORM_CHECK(r.u32(b.combo_type, "combo_type"));
    FORM_CHECK(r.words(b.reserved8, "reserved8"));
    FORM_CHECK(r.u32(b.reserved24, "reserved24"));
    FORM_CHECK(r.colour(b.text_colour, "text_colour"));
    FORM_CHECK(r.colour(b.background, "background"));
    FORM_CHECK(r.i32(b.reserved36, "reserved36"));
    FORM_CHECK(r.font(b.font, "font"));
    FORM_CHECK(r.words(b.reserved_after_font, "reserved_after_font"));
    const std::uint64_t at = r.cursor().offset();
    std::uint16_t raw_count = 0;
    FORM_CHECK(r.u16(raw_count, "item_count"));
    std::uint64_t n = 0;
    FORM_CHECK(r.count(n, raw_count, at, 4, "item_count"));
    b.items.resize(n);
    for (std::uint64_t i = 0; i < n; ++i) {
        FORM_CHECK(r.counted(b.items[i], "items[" + std::to_string(i) + "]"));
    }
    return r.words(b.tail, "tail");
}

Status read_blob_fields(Reader& r, ListBoxBlob& b) {
    FORM_CHECK(r.u32(b.reserved4, "reserved4"));
    FORM_CHECK(r.words(b.reserved8, "reserved8"));
    FORM_CHECK(r.u32(b.reserved16, "reserved16"));
    FORM_CHECK(r.colour(b.text_colour, "text_colour"));
    FORM_CHECK(r.colour(b.background, "background"));
    FORM_CHECK(r.colour(b.reserved28, "reserved28"));
    FORM_CHECK(r.i32(b.reserved32, "reserved32"));
    FORM_CHECK(r.font(b.font, "font"));
    return r.raw(b.item_area, "item_area");
}

Status read_blob_fields(Reader& r, CommonDialogBlob& b) {
    FORM_CHECK(r.words(b.reserved, "reserved"));
    FORM_CHECK(r.counted(b.filter, "filter"));
    FORM_CHECK(r.counted(b.initial_dir, "initial_dir"));
    FORM_CHECK(r.counted(b.default_ext, "default_ext"));
    return r.words(b.tail, "tail");
}

Status read_blob_fields(Reader& r, TimerBlob& b) {
    return r.u32(b.period_ms, "period_ms");
}

template <typename Blob>
Result<PropertyBlob> read_typed_blob(ReadCursor& c, const std::string& path, std::uint32_t lead) {
    Reader r(c, path);
    const std::uint64_t at = c.offset();
    std::uint32_t found = 0;
    FORM_CHECK(r.u32(found, "lead"));
    if (found != lead) {
        return make_error(r.f("lead"), at, found,
                          "the blob of this type begins with " + std::to_string(lead));
    }
    Blob b;
    FORM_CHECK(read_blob_fields(r, b));
    if (!c.at_end()) {
        return make_error(path, c.offset(), c.remaining(),
                          "bytes left over after the blob's layout: its size does not match its type");
    }
    return PropertyBlob(std::move(b));
}

Result<PropertyBlob> read_blob(ReadCursor& c, UnitType type, const std::string& path) {
    if (c.at_end()) return PropertyBlob(EmptyBlob{});
    switch (type) {
        case UnitType::window:
            return read_typed_blob<WindowBlob>(c, path, ff::lead_window);
        case UnitType::label:
            return read_typed_blob<LabelBlob>(c, path, ff::lead_label);
        case UnitType::edit_box:
            return read_typed_blob<EditBoxBlob>(c, path, ff::lead_edit_box);
        case UnitType::group_box:
            return read_typed_blob<GroupBoxBlob>(c, path, ff::lead_group_box);
        case UnitType::button:
            return read_typed_blob<ButtonBlob>(c, path, ff::lead_button);
        case UnitType::check_box:
            return read_typed_blob<CheckBoxBlob>(c, path, ff::lead_check_box);
        case UnitType::radio_button:
            return read_typed_blob<RadioButtonBlob>(c, path, ff::lead_radio_button);
        case UnitType::combo_box:
            return read_typed_blob<ComboBoxBlob>(c, path, ff::lead_combo_box);
        case UnitType::list_box:
            return read_typed_blob<ListBoxBlob>(c, path, ff::lead_list_box);
        case UnitType::common_dialog:
            return read_typed_blob<CommonDialogBlob>(c, path, ff::lead_common_dialog);
        case UnitType::timer:
            return read_typed_blob<TimerBlob>(c, path, ff::lead_timer);
        case UnitType::shape_box:
        case UnitType::menu_item:
            break;
    }
    return make_error(path, c.offset(), c.remaining(),
                      "no blob layout is known for this type: it must be empty");
}

Result<MenuItemRecord> read_menu_item(ReadCursor& c, const std::string& path) {
    Reader r(c, path);
    MenuItemRecord m;
    FORM_CHECK(r.raw(m.zero_a, "zero_a"));
    FORM_CHECK(r.nul(m.name, "name"));
    FORM_CHECK(r.nul(m.comment, "comment"));
    FORM_CHECK(r.u32(m.zero_b, "zero_b"));
    std::uint64_t at = c.offset();
    FORM_CHECK(r.u32(m.level, "level"));
    if (m.level > 1) return make_error(r.f("level"), at, m.level, "a menu item's level is 0 or 1");
    at = c.offset();
    FORM_CHECK(r.u32(m.state, "state"));
    if (m.state > 1) return make_error(r.f("state"), at, m.state, "a menu item's state is 0 or 1");
    FORM_CHECK(r.nul(m.caption, "caption"));
    FORM_CHECK(r.i32(m.handler, "handler"));
    FORM_CHECK(r.raw(m.zero_tail, "zero_tail"));
    if (!c.at_end()) {
        return make_error(path, c.offset(), c.remaining(), "bytes left over after the menu item's record");
    }
    return m;
}

Result<UnitRecord> read_unit_record(ReadCursor& c, UnitType type, const std::string& path) {
    Reader r(c, path);
    UnitRecord u;
    u.type = type;
    FORM_CHECK(r.raw(u.zero_a, "zero_a"));
    FORM_CHECK(r.nul(u.name, "name"));
    FORM_CHECK(r.nul(u.comment, "comment"));
    FORM_CHECK(r.u32(u.zero_b, "zero_b"));
    FORM_CHECK(r.i32(u.place.left, "left"));
    FORM_CHECK(r.i32(u.place.top, "top"));
    FORM_CHECK(r.i32(u.place.width, "width"));
    FORM_CHECK(r.i32(u.place.height, "height"));
    FORM_CHECK(r.u32(u.zero_c, "zero_c"));
    FORM_CHECK(r.u32(u.parent, "parent"));

    std::uint64_t at = c.offset();
    std::uint32_t raw_count = 0;
    FORM_CHECK(r.u32(raw_count, "child_count"));
    std::uint64_t n = 0;
    FORM_CHECK(r.count(n, raw_count, at, 4, "child_count"));
    u.children.resize(n);
    for (auto& child : u.children) FORM_CHECK(r.u32(child, "children"));

    FORM_CHECK(r.counted(u.reserved_data, "reserved_data"));
    FORM_CHECK(r.nul(u.reserved_text, "reserved_text"));
    FORM_CHECK(r.u32(u.zero_d, "zero_d"));
    at = c.offset();
    FORM_CHECK(r.u32(u.flags, "flags"));
    if ((u.flags & ~ff::flag_all) != 0) {
        return make_error(r.f("flags"), at, u.flags, "unknown flag bits");
    }
    FORM_CHECK(r.i32(u.zero_e, "zero_e"));

    at = c.offset();
    FORM_CHECK(r.u32(raw_count, "binding_count"));
    FORM_CHECK(r.count(n, raw_count, at, 8, "binding_count"));
    u.bindings.resize(n);
    for (auto& b : u.bindings) {
        FORM_CHECK(r.i32(b.event, "bindings.event"));
        FORM_CHECK(r.u32(b.handler, "bindings.handler"));
    }
    FORM_CHECK(r.raw(u.zero_f, "zero_f"));

    ReadCursor blob_cursor(std::span<const std::uint8_t>{}, 0);
    FORM_READ(blob_cursor, c.sub(c.remaining(), r.f("blob")));
    FORM_READ(u.blob, read_blob(blob_cursor, type, r.f("blob")));
    return u;
}

// Reads one unit record (R, type word, body) from the unit area.
Result<std::variant<UnitRecord, MenuItemRecord>> read_unit(ReadCursor& area, const std::string& path) {
    std::uint32_t size = 0;
    FORM_READ(size, area.u32(path + ".record_size"));
    ReadCursor body(std::span<const std::uint8_t>{}, 0);
    FORM_READ(body, area.sub(size, path + ".record_size"));

    const std::uint64_t at = body.offset();
    std::uint32_t word = 0;
    FORM_READ(word, body.u32(path + ".type_word"));
    const auto number = static_cast<std::uint16_t>(word & 0xFFFF);
    if ((word >> 16) != ff::core_library || !is_known_unit_type(number)) {
        return make_error(path + ".type_word", at, word, "unknown unit type");
    }
    const auto type = static_cast<UnitType>(number);
    if (type == UnitType::menu_item) {
        MenuItemRecord m;
        FORM_READ(m, read_menu_item(body, path));
        return std::variant<UnitRecord, MenuItemRecord>(std::move(m));
    }
    UnitRecord u;
    FORM_READ(u, read_unit_record(body, type, path));
    return std::variant<UnitRecord, MenuItemRecord>(std::move(u));
}

Result<FormWindow> read_window(ReadCursor& c, FormWindow w, const std::string& path) {
    Reader r(c, path);
    FORM_CHECK(r.u32(w.record_word, "record_word"));
    FORM_CHECK(r.u32(w.class_id, "class_id"));
    FORM_CHECK(r.counted(w.name, "name"));
    FORM_CHECK(r.counted(w.comment, "comment"));
    const std::uint64_t count_at = c.offset();
    std::uint32_t unit_count = 0;
    FORM_CHECK(r.u32(unit_count, "unit_count"));
    std::uint32_t record_size = 0;
    FORM_CHECK(r.u32(record_size, "record_size"));
    ReadCursor body(std::span<const std::uint8_t>{}, 0);
    FORM_READ(body, c.sub(record_size, r.f("record_size")));

    Reader br(body, path);
    std::uint64_t n = 0;
    FORM_CHECK(br.count(n, unit_count, count_at, 8, "unit_count"));
    if (n == 0) return make_error(r.f("unit_count"), count_at, 0, "a window has at least its self-unit");
    std::vector<std::uint32_t> ids(n);
    for (auto& id : ids) FORM_CHECK(br.u32(id, "unit_ids"));
    std::vector<std::uint32_t> offsets(n);
    std::vector<std::uint64_t> offset_at(n);
    for (std::uint64_t i = 0; i < n; ++i) {
        offset_at[i] = body.offset();
        FORM_CHECK(br.u32(offsets[i], "unit_offsets"));
    }

    ReadCursor area(std::span<const std::uint8_t>{}, 0);
    FORM_READ(area, body.sub(body.remaining(), r.f("units")));
    std::set<std::uint32_t> seen;
    bool have_top_menu = false;
    w.units.resize(n);
    for (std::uint64_t i = 0; i < n; ++i) {
        const std::string upath = path + ".units[" + std::to_string(i) + "]";
        // Records lie one after another from offset 0: anything else (a gap, an overlap, a jump
        // out of the area) would not survive being written again.
        if (offsets[i] != area.position()) {
            return make_error(
                upath + ".offset", offset_at[i], offsets[i],
                "expected " + std::to_string(area.position()) + ", where the previous record ends");
        }
        FormUnit& u = w.units[i];
        u.id = ids[i];
        const std::uint64_t record_at = area.offset();
        FORM_READ(u.record, read_unit(area, upath));
        if (!seen.insert(u.id).second) {
            return make_error(upath + ".id", record_at, u.id, "the window holds this identifier twice");
        }
        const bool is_window = u.type() == UnitType::window;
        if ((i == 0) != is_window) {
            return make_error(
                upath + ".type_word", record_at + 4, type_word(u.type()),
                i == 0 ? "a window's first unit is its self-unit" : "a window has one self-unit");
        }
        if (const auto* m = u.menu_item()) {
            if (m->level == 0) have_top_menu = true;
            if (m->level == 1 && !have_top_menu) {
                return make_error(upath + ".level", record_at, m->level,
                                  "a sub-item with no top-level item before it");
            }
        }
    }
    if (!area.at_end()) {
        return make_error(r.f("record_size"), area.offset(), area.remaining(),
                          "bytes left over after the last unit record");
    }
    return w;
}

}  // namespace

Result<FormData> read_form(std::span<const std::uint8_t> data, std::uint64_t base_offset) {
    ReadCursor c(data, base_offset);
    const std::uint64_t at = c.offset();
    std::uint32_t table_size = 0;
    FORM_READ(table_size, c.u32("form.window_table_size"));
    if (table_size % ff::header_bytes_per_window != 0) {
        return make_error("form.window_table_size", at, table_size, "not a multiple of 8");
    }
    if (table_size > c.remaining()) {
        return make_error("form.window_table_size", at, table_size, "runs past the end of the form data");
    }
    const std::uint64_t n = table_size / ff::header_bytes_per_window;
    FormData form;
    form.windows.resize(n);
    std::vector<std::uint64_t> id_at(n);
    for (std::uint64_t k = 0; k < n; ++k) {
        id_at[k] = c.offset();
        FORM_READ(form.windows[k].id, c.u32("form.window_ids"));
    }
    for (auto& w : form.windows) FORM_READ(w.header_word, c.u32("form.window_words"));

    std::set<std::uint32_t> seen;
    for (std::uint64_t k = 0; k < n; ++k) {
        if (!seen.insert(form.windows[k].id).second) {
            return make_error("form.window_ids", id_at[k], form.windows[k].id, "the same window twice");
        }
        const std::string path = "windows[" + std::to_string(k) + "]";
        FORM_READ(form.windows[k], read_window(c, std::move(form.windows[k]), path));
    }
    if (!c.at_end()) {
        return make_error("form", c.offset(), c.remaining(), "bytes left over after the last window record");
    }
    return form;
}

}  // namespace tockly::image

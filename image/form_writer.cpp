#include "image/form_writer.h"

#include <cassert>
#include <limits>
#include <set>
#include <string>

#include "image/byte_writer.h"
#include "image/form_format.h"

namespace tockly::image {

namespace ff = form_format;

namespace {

using Bytes = std::vector<std::uint8_t>;

void put_i32(Bytes& out, std::int32_t v) {
    put_u32(out, static_cast<std::uint32_t>(v));
}
void put_colour(Bytes& out, Colour c) {
    put_u32(out, c.ref);
}

template <std::size_t N>
void put_words(Bytes& out, const std::array<std::uint32_t, N>& v) {
    for (auto w : v) put_u32(out, w);
}
template <std::size_t N>
void put_colours(Bytes& out, const std::array<Colour, N>& v) {
    for (auto c : v) put_colour(out, c);
}
template <std::size_t N>
void put_raw(Bytes& out, const std::array<std::uint8_t, N>& v) {
    put_bytes(out, v);
}

void put_counted(Bytes& out, std::string_view text) {
    assert(text.size() <= std::numeric_limits<std::uint32_t>::max());
    put_u32(out, static_cast<std::uint32_t>(text.size()));
    put_text(out, text);
}

void put_nul(Bytes& out, std::string_view text) {
    put_text(out, text);
    put_u8(out, 0);
}

void put_font(Bytes& out, const Font& font) {
    if (!font) {
        put_u32(out, 0);
        return;
    }
    put_u32(out, ff::logfont_size);
    put_i32(out, font->height);
    put_i32(out, font->width);
    put_i32(out, font->escapement);
    put_i32(out, font->orientation);
    put_i32(out, font->weight);
    for (std::uint8_t b :
         {font->italic, font->underline, font->strike_out, font->char_set, font->out_precision,
          font->clip_precision, font->quality, font->pitch_and_family}) {
        put_u8(out, b);
    }
    put_raw(out, font->face_bytes);
}

void put_blob_fields(Bytes&, const EmptyBlob&) {}

void put_blob_fields(Bytes& out, const WindowBlob& b) {
    put_u32(out, ff::lead_window);
    put_u32(out, b.frame_style);
    put_u32(out, b.reserved8);
    put_colour(out, b.background);
    put_words(out, b.reserved);
    put_counted(out, b.caption);
    put_u32(out, b.tail);
}

void put_blob_fields(Bytes& out, const LabelBlob& b) {
    put_u32(out, ff::lead_label);
    put_u32(out, b.reserved4);
    put_u32(out, b.reserved8);
    put_u32(out, b.reserved12);
    put_colours(out, b.shades_a);
    put_colour(out, b.text_colour);
    put_colour(out, b.background);
    put_u32(out, b.reserved36);
    put_u32(out, b.reserved40);
    put_colours(out, b.shades_b);
    put_u32(out, b.centred);
    put_u32(out, b.v_centred);
    put_u32(out, b.reserved64);
    put_font(out, b.font);
    put_u32(out, b.after_font);
    put_counted(out, b.caption);
    put_words(out, b.tail);
}

void put_blob_fields(Bytes& out, const EditBoxBlob& b) {
    put_u32(out, ff::lead_edit_box);
    put_u32(out, b.reserved4);
    put_colour(out, b.text_colour);
    put_colour(out, b.background);
    put_u32(out, b.reserved16);
    put_words(out, b.reserved20);
    put_u16(out, b.reserved40);
    put_words(out, b.reserved42);
    put_u32(out, b.reserved54);
    put_words(out, b.reserved58);
    put_font(out, b.font);
    put_counted(out, b.content);
    put_words(out, b.tail);
}

void put_blob_fields(Bytes& out, const GroupBoxBlob& b) {
    put_u32(out, ff::lead_group_box);
    put_u32(out, b.reserved4);
    put_colour(out, b.caption_colour);
    put_colour(out, b.background);
    put_font(out, b.font);
    put_counted(out, b.caption);
}

void put_blob_fields(Bytes& out, const ButtonBlob& b) {
    put_u32(out, ff::lead_button);
    put_u32(out, b.reserved4);
    put_u32(out, b.reserved8);
    put_u32(out, b.reserved12);
    put_u32(out, b.reserved16);
    put_font(out, b.font);
    put_counted(out, b.caption);
}

template <typename Toggle>
void put_toggle_fields(Bytes& out, std::uint32_t lead, const Toggle& b) {
    put_u32(out, lead);
    put_u32(out, b.reserved4);
    put_words(out, b.reserved8);
    put_u32(out, b.reserved16);
    put_u32(out, b.reserved20);
    put_colour(out, b.text_colour);
    put_colour(out, b.background);
    put_u32(out, b.checked);
    put_u32(out, b.reserved36);
    put_font(out, b.font);
    put_counted(out, b.caption);
}

void put_blob_fields(Bytes& out, const CheckBoxBlob& b) {
    put_toggle_fields(out, ff::lead_check_box, b);
    put_words(out, b.tail);
}

void put_blob_fields(Bytes& out, const RadioButtonBlob& b) {
    put_toggle_fields(out, ff::lead_radio_button, b);
}

void put_blob_fields(Bytes& out, const ComboBoxBlob& b) {
    put_u32(out, ff::lead_combo_box);
    put_u32(out, b.combo_type);
    put_words(out, b.reserved8);
    put_u32(out, b.reserved24);
    put_colour(out, b.text_colour);
    put_colour(out, b.background);
    put_i32(out, b.reserved36);
    put_font(out, b.font);
    put_words(out, b.reserved_after_font);
    assert(b.items.size() <= std::numeric_limits<std::uint16_t>::max());
    put_u16(out, static_cast<std::uint16_t>(b.items.size()));
    for (const auto& item : b.items) put_counted(out, item);
    put_words(out, b.tail);
}

void put_blob_fields(Bytes& out, const ListBoxBlob& b) {
    put_u32(out, ff::lead_list_box);
    put_u32(out, b.reserved4);
    put_words(out, b.reserved8);
    put_u32(out, b.reserved16);
    put_colour(out, b.text_colour);
    put_colour(out, b.background);
    put_colour(out, b.reserved28);
    put_i32(out, b.reserved32);
    put_font(out, b.font);
    put_raw(out, b.item_area);
}

void put_blob_fields(Bytes& out, const CommonDialogBlob& b) {
    put_u32(out, ff::lead_common_dialog);
    put_words(out, b.reserved);
    put_counted(out, b.filter);
    put_counted(out, b.initial_dir);
    put_counted(out, b.default_ext);
    put_words(out, b.tail);
}

void put_blob_fields(Bytes& out, const TimerBlob& b) {
    put_u32(out, ff::lead_timer);
    put_u32(out, b.period_ms);
}

void put_unit_body(Bytes& out, const UnitRecord& u) {
    put_u32(out, type_word(u.type));
    put_raw(out, u.zero_a);
    put_nul(out, u.name);
    put_nul(out, u.comment);
    put_u32(out, u.zero_b);
    put_i32(out, u.place.left);
    put_i32(out, u.place.top);
    put_i32(out, u.place.width);
    put_i32(out, u.place.height);
    put_u32(out, u.zero_c);
    put_u32(out, u.parent);
    put_u32(out, static_cast<std::uint32_t>(u.children.size()));
    for (auto c : u.children) put_u32(out, c);
    put_counted(out, u.reserved_data);
    put_nul(out, u.reserved_text);
    put_u32(out, u.zero_d);
    put_u32(out, u.flags);
    put_i32(out, u.zero_e);
    put_u32(out, static_cast<std::uint32_t>(u.bindings.size()));
    for (const auto& b : u.bindings) {
        put_i32(out, b.event);
        put_u32(out, b.handler);
    }
    put_raw(out, u.zero_f);
    std::visit([&](const auto& blob) { put_blob_fields(out, blob); }, u.blob);
}

void put_menu_body(Bytes& out, const MenuItemRecord& m) {
    put_u32(out, type_word(UnitType::menu_item));
    put_raw(out, m.zero_a);
    put_nul(out, m.name);
    put_nul(out, m.comment);
    put_u32(out, m.zero_b);
    put_u32(out, m.level);
    put_u32(out, m.state);
    put_nul(out, m.caption);
    put_i32(out, m.handler);
    put_raw(out, m.zero_tail);
}

// Appends a record body preceded by its length R.
void put_sized(Bytes& out, const Bytes& body) {
    put_u32(out, static_cast<std::uint32_t>(body.size()));
    put_bytes(out, body);
}

// --- validation ---

bool has_nul(std::string_view s) {
    return s.find('\0') != std::string_view::npos;
}

Status check_nul_text(std::string_view text, const std::string& field) {
    if (has_nul(text)) return make_error(field, 0, "a text stored with a terminating zero holds a zero byte");
    return Ok{};
}

Status validate_unit(const FormUnit& u, std::size_t index, bool& have_top_menu, const std::string& path) {
    const bool first = index == 0;
    if (first != (u.type() == UnitType::window)) {
        return make_error(path + ".type", 0, static_cast<std::uint16_t>(u.type()),
                          first ? "a window's first unit is its self-unit" : "a window has one self-unit");
    }
    if (const auto* m = u.menu_item()) {
        Status s = check_nul_text(m->name, path + ".name");
        if (s) s = check_nul_text(m->comment, path + ".comment");
        if (s) s = check_nul_text(m->caption, path + ".caption");
        if (!s) return s;
        if (m->level > 1) return make_error(path + ".level", 0, m->level, "a menu item's level is 0 or 1");
        if (m->state > 1) return make_error(path + ".state", 0, m->state, "a menu item's state is 0 or 1");
        if (m->level == 0) have_top_menu = true;
        if (m->level == 1 && !have_top_menu) {
            return make_error(path + ".level", 0, 1, "a sub-item with no top-level item before it");
        }
        return Ok{};
    }
    const UnitRecord& r = *u.unit();
    Status s = check_nul_text(r.name, path + ".name");
    if (s) s = check_nul_text(r.comment, path + ".comment");
    if (s) s = check_nul_text(r.reserved_text, path + ".reserved_text");
    if (!s) return s;
    if (!is_known_unit_type(static_cast<std::uint16_t>(r.type)) || r.type == UnitType::menu_item) {
        return make_error(path + ".type", 0, static_cast<std::uint16_t>(r.type),
                          "not a unit type with a unit record");
    }
    if ((r.flags & ~ff::flag_all) != 0) return make_error(path + ".flags", 0, r.flags, "unknown flag bits");
    if (!blob_fits_type(r.blob, r.type)) {
        return make_error(path + ".blob", 0, r.blob.index(),
                          "the blob's layout does not belong to the unit's type");
    }
    if (const auto* c = std::get_if<ComboBoxBlob>(&r.blob)) {
        if (c->items.size() > std::numeric_limits<std::uint16_t>::max()) {
            return make_error(path + ".blob.items", 0, c->items.size(),
                              "a combo box holds at most 65535 items");
        }
    }
    return Ok{};
}

}  // namespace

Status validate_form(const FormData& form) {
    std::set<std::uint32_t> window_ids;
    for (std::size_t k = 0; k < form.windows.size(); ++k) {
        const FormWindow& w = form.windows[k];
        const std::string path = "windows[" + std::to_string(k) + "]";
        if (!window_ids.insert(w.id).second) {
            return make_error(path + ".id", 0, w.id, "the same window twice");
        }
        if (w.units.empty()) return make_error(path + ".units", 0, 0, "a window has at least its self-unit");
        std::set<std::uint32_t> unit_ids;
        bool have_top_menu = false;
        for (std::size_t i = 0; i < w.units.size(); ++i) {
            const std::string upath = path + ".units[" + std::to_string(i) + "]";
            if (!unit_ids.insert(w.units[i].id).second) {
                return make_error(upath + ".id", 0, w.units[i].id, "the window holds this identifier twice");
            }
            Status s = validate_unit(w.units[i], i, have_top_menu, upath);
            if (!s) return s;
        }
    }
    return Ok{};
}

std::vector<std::uint8_t> write_property_blob(const PropertyBlob& blob) {
    Bytes out;
    std::visit([&](const auto& b) { put_blob_fields(out, b); }, blob);
    return out;
}

std::vector<std::uint8_t> write_form(const FormData& form) {
    Bytes out;
    const auto n = static_cast<std::uint32_t>(form.windows.size());
    put_u32(out, n * ff::header_bytes_per_window);
    for (const auto& w : form.windows) put_u32(out, w.id);
    for (const auto& w : form.windows) put_u32(out, w.header_word);

    for (const auto& w : form.windows) {
        Bytes area;
        std::vector<std::uint32_t> offsets;
        for (const auto& u : w.units) {
            offsets.push_back(static_cast<std::uint32_t>(area.size()));
            Bytes body;
            if (const auto* m = u.menu_item()) {
                put_menu_body(body, *m);
            } else {
                put_unit_body(body, *u.unit());
            }
            put_sized(area, body);
        }
        put_u32(out, w.record_word);
        put_u32(out, w.class_id);
        put_counted(out, w.name);
        put_counted(out, w.comment);
        put_u32(out, static_cast<std::uint32_t>(w.units.size()));
        put_u32(out, static_cast<std::uint32_t>(w.units.size() * 8 + area.size()));
        for (const auto& u : w.units) put_u32(out, u.id);
        for (auto o : offsets) put_u32(out, o);
        put_bytes(out, area);
    }
    return out;
}

}  // namespace tockly::image

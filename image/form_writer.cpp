#include "image/form_writer.h"

#include <cassert>
#include <limits>
#include <set>
#include <string>

#include "image/byte_writer.h"
#include "image/form_fields.h"
#include "image/form_format.h"

namespace tockly::image {

namespace ff = form_format;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Writes the fields a mapping of form_fields.h lists, in its order. Where `offsets` is given it
// notes where each field begins, by the path the reader names it in errors.
class FieldWriter {
  public:
    FieldWriter(Bytes& out, std::string path, FieldOffsets* offsets)
        : out_(out), path_(std::move(path)), offsets_(offsets) {}

    template <typename T>
    void operator()(std::string_view name, const T& v) {
        note(name);
        write(name, v);
    }

  private:
    void note(std::string_view name) {
        if (offsets_) offsets_->emplace(path_ + "." + std::string(name), out_.size());
    }

    void write(std::string_view, std::uint32_t v) { put_u32(out_, v); }
    void write(std::string_view, std::int32_t v) { put_u32(out_, static_cast<std::uint32_t>(v)); }
    void write(std::string_view, std::uint16_t v) { put_u16(out_, v); }
    void write(std::string_view, std::uint8_t v) { put_u8(out_, v); }
    void write(std::string_view, Colour c) { put_u32(out_, c.ref); }
    void write(std::string_view, const std::string& text) {
        assert(text.size() <= std::numeric_limits<std::uint32_t>::max());
        put_u32(out_, static_cast<std::uint32_t>(text.size()));
        put_text(out_, text);
    }
    void write(std::string_view, NulText<const std::string> v) {
        put_text(out_, v.text);
        put_u8(out_, 0);
    }
    template <std::size_t N>
    void write(std::string_view, const std::array<std::uint8_t, N>& v) {
        put_bytes(out_, v);
    }
    template <typename T, std::size_t N>
    void write(std::string_view name, const std::array<T, N>& v) {
        for (const auto& w : v) write(name, w);
    }
    void write(std::string_view name, CheckedWord<const std::uint32_t> v) { write(name, v.value); }

    void write(std::string_view name, const Font& font) {
        note(std::string(name) + ".size");
        if (!font) {
            put_u32(out_, 0);
            return;
        }
        put_u32(out_, ff::logfont_size);
        logfont_fields([&](std::string_view, const auto& x) { write(name, x); }, *font);
    }

    // Combo items: a u16 count named after the singular, then counted texts.
    void write(std::string_view name, const std::vector<std::string>& items) {
        assert(items.size() <= std::numeric_limits<std::uint16_t>::max());
        note(std::string(name.substr(0, name.size() - 1)) + "_count");
        put_u16(out_, static_cast<std::uint16_t>(items.size()));
        for (const auto& item : items) write(name, item);
    }

    template <typename Elem>
    void write(std::string_view name, CountedList<const std::vector<Elem>> v) {
        note(v.count_name);
        put_u32(out_, static_cast<std::uint32_t>(v.list.size()));
        for (const auto& e : v.list) {
            if constexpr (std::is_arithmetic_v<Elem>) {
                write(name, e);
            } else {
                binding_fields([&](std::string_view field, const auto& x) { write(field, x); }, e);
            }
        }
    }

    void write(std::string_view name, TypedBlob<const PropertyBlob> v) {
        std::visit(
            [&](const auto& b) {
                using Blob = std::decay_t<decltype(b)>;
                if constexpr (!std::is_same_v<Blob, EmptyBlob>) {
                    FieldWriter blob(out_, path_ + "." + std::string(name), offsets_);
                    blob("lead", BlobKindOf<Blob>::lead);
                    blob_fields(blob, b);
                }
            },
            v.blob);
    }

    Bytes& out_;
    std::string path_;
    FieldOffsets* offsets_;
};

// --- validation ---

// Checks what the reader checks of a record's fields, one kind of field at a time: first the
// texts stored with a terminating zero, which must hold none, then the words with a rule.
template <typename Record>
Status check_record_texts(const Record& r, const std::string& path) {
    Status s = Ok{};
    auto check = [&](std::string_view name, const auto& v) {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, NulText<const std::string>>) {
            if (s && v.text.find('\0') != std::string::npos) {
                s = make_error(path + "." + std::string(name), 0,
                               "a text stored with a terminating zero holds a zero byte");
            }
        }
    };
    if constexpr (std::is_same_v<Record, MenuItemRecord>) menu_item_fields(check, r);
    if constexpr (std::is_same_v<Record, UnitRecord>) unit_record_fields(check, r);
    return s;
}

template <typename Record>
Status check_record_words(const Record& r, const std::string& path) {
    Status s = Ok{};
    auto check = [&](std::string_view name, const auto& v) {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, CheckedWord<const std::uint32_t>>) {
            if (s && !v.ok(v.value)) s = make_error(path + "." + std::string(name), 0, v.value, v.reason);
        }
    };
    if constexpr (std::is_same_v<Record, MenuItemRecord>) menu_item_fields(check, r);
    if constexpr (std::is_same_v<Record, UnitRecord>) unit_record_fields(check, r);
    return s;
}

Status validate_unit(const FormUnit& u, std::size_t index, bool& have_top_menu, const std::string& path) {
    const bool first = index == 0;
    if (first != (u.type() == UnitType::window)) {
        return make_error(path + ".type", 0, static_cast<std::uint16_t>(u.type()),
                          first ? "a window's first unit is its self-unit" : "a window has one self-unit");
    }
    if (const auto* m = u.menu_item()) {
        Status s = check_record_texts(*m, path);
        if (s) s = check_record_words(*m, path);
        if (!s) return s;
        if (m->level == 0) have_top_menu = true;
        if (m->level == 1 && !have_top_menu) {
            return make_error(path + ".level", 0, 1, "a sub-item with no top-level item before it");
        }
        return Ok{};
    }
    const UnitRecord& r = *u.unit();
    if (Status s = check_record_texts(r, path); !s) return s;
    if (!is_known_unit_type(static_cast<std::uint16_t>(r.type)) || r.type == UnitType::menu_item) {
        return make_error(path + ".type", 0, static_cast<std::uint16_t>(r.type),
                          "not a unit type with a unit record");
    }
    if (Status s = check_record_words(r, path); !s) return s;
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
    // Writing takes the layout from the blob's own alternative; the unit type only steers reading.
    FieldWriter(out, "", nullptr)("blob", TypedBlob{blob, UnitType::window});
    return out;
}

std::vector<std::uint8_t> write_form(const FormData& form, FieldOffsets* offsets) {
    Bytes out;
    const auto n = static_cast<std::uint32_t>(form.windows.size());
    FieldWriter head(out, "form", offsets);
    head("window_table_size", n * ff::header_bytes_per_window);
    for (const auto& w : form.windows) head("window_ids", w.id);
    for (const auto& w : form.windows) head("window_words", w.header_word);

    for (std::size_t k = 0; k < form.windows.size(); ++k) {
        const FormWindow& w = form.windows[k];
        const std::string path = "windows[" + std::to_string(k) + "]";
        FieldWriter record(out, path, offsets);
        window_head_fields(record, w);
        record("unit_count", static_cast<std::uint32_t>(w.units.size()));
        const std::size_t size_at = out.size();
        record("record_size", std::uint32_t{0});  // patched below
        for (const auto& u : w.units) record("unit_ids", u.id);
        const std::size_t offsets_at = out.size();
        for (std::size_t i = 0; i < w.units.size(); ++i) {
            record("units[" + std::to_string(i) + "].offset", std::uint32_t{0});  // patched below
        }
        const std::size_t area_at = out.size();
        for (std::size_t i = 0; i < w.units.size(); ++i) {
            const FormUnit& u = w.units[i];
            set_u32(out, offsets_at + 4 * i, static_cast<std::uint32_t>(out.size() - area_at));
            FieldWriter unit(out, path + ".units[" + std::to_string(i) + "]", offsets);
            const std::size_t r_at = out.size();
            unit("record_size", std::uint32_t{0});  // R, patched below
            unit("type_word", type_word(u.type()));
            if (const auto* m = u.menu_item()) {
                menu_item_fields(unit, *m);
            } else {
                unit_record_fields(unit, *u.unit());
            }
            set_u32(out, r_at, static_cast<std::uint32_t>(out.size() - r_at - 4));
        }
        set_u32(out, size_at, static_cast<std::uint32_t>(out.size() - size_at - 4));
    }
    return out;
}

}  // namespace tockly::image

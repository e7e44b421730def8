#include "image/form_reader.h"

#include <set>
#include <string>
#include <utility>

#include "image/cursor.h"
#include "image/form_fields.h"
#include "image/form_format.h"

namespace tockly::image {

namespace ff = form_format;

namespace {

// Reads the fields a mapping of form_fields.h lists, in its order, from a bounds-checked cursor.
// Field names in errors are paths like "windows[1].units[3].blob.caption". After the first
// failure it reads nothing more and keeps that error.
class FieldReader {
  public:
    FieldReader(ReadCursor& c, std::string path) : c_(c), path_(std::move(path)) {}

    template <typename T>
    void operator()(std::string_view name, T&& v) {
        if (status_) status_ = read(name, v);
    }

    Status status() const { return status_; }
    std::string f(std::string_view name) const { return path_ + "." + std::string(name); }

    // Refuses a count of elements of at least `min_each` bytes that the remaining bytes cannot
    // hold, before anything is multiplied or allocated.
    Status fits(std::uint64_t count, std::uint64_t at, std::uint64_t min_each, std::string_view name) const {
        if (count > c_.remaining() / min_each) {
            return make_error(
                f(name), at, count,
                "count cannot fit in the " + std::to_string(c_.remaining()) + " bytes that remain");
        }
        return Ok{};
    }

  private:
    Status read(std::string_view name, std::uint32_t& v) {
        TOCKLY_TRY_ASSIGN(v, c_.u32(f(name)));
        return Ok{};
    }
    Status read(std::string_view name, std::int32_t& v) {
        TOCKLY_TRY_ASSIGN(v, c_.i32(f(name)));
        return Ok{};
    }
    Status read(std::string_view name, std::uint16_t& v) {
        TOCKLY_TRY_ASSIGN(v, c_.u16(f(name)));
        return Ok{};
    }
    Status read(std::string_view name, std::uint8_t& v) {
        TOCKLY_TRY_ASSIGN(v, c_.u8(f(name)));
        return Ok{};
    }
    Status read(std::string_view name, Colour& v) { return read(name, v.ref); }
    Status read(std::string_view name, std::string& v) {
        TOCKLY_TRY_ASSIGN(v, c_.counted_text(f(name)));
        return Ok{};
    }
    Status read(std::string_view name, NulText<std::string> v) {
        TOCKLY_TRY_ASSIGN(v.text, c_.nul_text(f(name)));
        return Ok{};
    }
    template <std::size_t N>
    Status read(std::string_view name, std::array<std::uint8_t, N>& v) {
        std::span<const std::uint8_t> b;
        TOCKLY_TRY_ASSIGN(b, c_.take(N, f(name)));
        std::copy(b.begin(), b.end(), v.begin());
        return Ok{};
    }
    template <typename T, std::size_t N>
    Status read(std::string_view name, std::array<T, N>& v) {
        for (auto& w : v) TOCKLY_CHECK(read(name, w));
        return Ok{};
    }

    Status read(std::string_view name, CheckedWord<std::uint32_t> v) {
        const std::uint64_t at = c_.offset();
        TOCKLY_CHECK(read(name, v.value));
        if (!v.ok(v.value)) return make_error(f(name), at, v.value, v.reason);
        return Ok{};
    }

    Status read(std::string_view name, Font& v) {
        const std::string size_name = std::string(name) + ".size";
        const std::uint64_t at = c_.offset();
        std::uint32_t size = 0;
        TOCKLY_CHECK(read(size_name, size));
        if (size == 0) {
            v.reset();
            return Ok{};
        }
        if (size != ff::logfont_size) {
            return make_error(f(size_name), at, size, "a font is either empty or a 60-byte LOGFONT");
        }
        // Errors name the font itself, and its face bytes as "face".
        const std::string face_name = std::string(name) + ".face";
        LogFont lf;
        Status s = Ok{};
        logfont_fields(
            [&](std::string_view field, auto& x) {
                if (s) s = read(field == "face_bytes" ? std::string_view(face_name) : name, x);
            },
            lf);
        if (!s) return s;
        v = lf;
        return Ok{};
    }

    // Combo items: a u16 count named after the singular, then counted texts.
    Status read(std::string_view name, std::vector<std::string>& v) {
        const std::string count_name = std::string(name.substr(0, name.size() - 1)) + "_count";
        const std::uint64_t at = c_.offset();
        std::uint16_t n = 0;
        TOCKLY_CHECK(read(count_name, n));
        TOCKLY_CHECK(fits(n, at, 4, count_name));
        v.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            TOCKLY_CHECK(read(std::string(name) + "[" + std::to_string(i) + "]", v[i]));
        }
        return Ok{};
    }

    template <typename Elem>
    Status read(std::string_view name, CountedList<std::vector<Elem>> v) {
        const std::uint64_t at = c_.offset();
        std::uint32_t n = 0;
        TOCKLY_CHECK(read(v.count_name, n));
        TOCKLY_CHECK(fits(n, at, v.min_each, v.count_name));
        v.list.resize(n);
        for (auto& e : v.list) {
            if constexpr (std::is_arithmetic_v<Elem>) {
                TOCKLY_CHECK(read(name, e));
            } else {
                const std::string prefix = std::string(name) + ".";
                Status s = Ok{};
                binding_fields(
                    [&](std::string_view field, auto& x) {
                        if (s) s = read(prefix + std::string(field), x);
                    },
                    e);
                if (!s) return s;
            }
        }
        return Ok{};
    }

    // The blob takes the rest of the record.
    Status read(std::string_view name, TypedBlob<PropertyBlob> v) {
        const std::string path = f(name);
        ReadCursor blob_cursor(std::span<const std::uint8_t>{}, 0);
        TOCKLY_TRY_ASSIGN(blob_cursor, c_.sub(c_.remaining(), path));
        if (blob_cursor.at_end()) {
            v.blob = EmptyBlob{};
            return Ok{};
        }
        Status s = make_error(path, blob_cursor.offset(), blob_cursor.remaining(),
                              "no blob layout is known for this type: it must be empty");
        with_blob_kind(v.type, [&](auto kind) { s = read_blob(blob_cursor, path, kind, v.blob); });
        return s;
    }

    template <typename Kind>
    static Status read_blob(ReadCursor& c, const std::string& path, Kind, PropertyBlob& out) {
        FieldReader r(c, path);
        const std::uint64_t at = c.offset();
        std::uint32_t lead = 0;
        r("lead", lead);
        if (!r.status()) return r.status();
        if (lead != Kind::lead) {
            return make_error(r.f("lead"), at, lead,
                              "the blob of this type begins with " + std::to_string(Kind::lead));
        }
        typename Kind::blob b;
        blob_fields(r, b);
        if (!r.status()) return r.status();
        if (!c.at_end()) {
            return make_error(path, c.offset(), c.remaining(),
                              "bytes left over after the blob's layout: its size does not match its type");
        }
        out = std::move(b);
        return Ok{};
    }

    ReadCursor& c_;
    std::string path_;
    Status status_ = Ok{};
};

// Reads one unit record (R, type word, body) from the unit area.
Result<std::variant<UnitRecord, MenuItemRecord>> read_unit(ReadCursor& area, const std::string& path) {
    std::uint32_t size = 0;
    TOCKLY_TRY_ASSIGN(size, area.u32(path + ".record_size"));
    ReadCursor body(std::span<const std::uint8_t>{}, 0);
    TOCKLY_TRY_ASSIGN(body, area.sub(size, path + ".record_size"));

    const std::uint64_t at = body.offset();
    std::uint32_t word = 0;
    TOCKLY_TRY_ASSIGN(word, body.u32(path + ".type_word"));
    const auto number = static_cast<std::uint16_t>(word & 0xFFFF);
    if ((word >> 16) != ff::core_library || !is_known_unit_type(number)) {
        return make_error(path + ".type_word", at, word, "unknown unit type");
    }
    const auto type = static_cast<UnitType>(number);
    FieldReader r(body, path);
    if (type == UnitType::menu_item) {
        MenuItemRecord m;
        menu_item_fields(r, m);
        if (!r.status()) return r.status().error();
        if (!body.at_end()) {
            return make_error(path, body.offset(), body.remaining(),
                              "bytes left over after the menu item's record");
        }
        return std::variant<UnitRecord, MenuItemRecord>(std::move(m));
    }
    UnitRecord u;
    u.type = type;
    unit_record_fields(r, u);
    if (!r.status()) return r.status().error();
    return std::variant<UnitRecord, MenuItemRecord>(std::move(u));
}

Result<FormWindow> read_window(ReadCursor& c, FormWindow w, const std::string& path) {
    FieldReader r(c, path);
    window_head_fields(r, w);
    if (!r.status()) return r.status().error();
    const std::uint64_t count_at = c.offset();
    std::uint32_t unit_count = 0;
    std::uint32_t record_size = 0;
    r("unit_count", unit_count);
    r("record_size", record_size);
    if (!r.status()) return r.status().error();
    ReadCursor body(std::span<const std::uint8_t>{}, 0);
    TOCKLY_TRY_ASSIGN(body, c.sub(record_size, r.f("record_size")));

    FieldReader br(body, path);
    TOCKLY_CHECK(br.fits(unit_count, count_at, 8, "unit_count"));
    const std::uint64_t n = unit_count;
    if (n == 0) return make_error(r.f("unit_count"), count_at, 0, "a window has at least its self-unit");
    std::vector<std::uint32_t> ids(n);
    for (auto& id : ids) br("unit_ids", id);
    std::vector<std::uint32_t> offsets(n);
    std::vector<std::uint64_t> offset_at(n);
    for (std::uint64_t i = 0; i < n; ++i) {
        offset_at[i] = body.offset();
        br("unit_offsets", offsets[i]);
    }
    if (!br.status()) return br.status().error();

    ReadCursor area(std::span<const std::uint8_t>{}, 0);
    TOCKLY_TRY_ASSIGN(area, body.sub(body.remaining(), r.f("units")));
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
        TOCKLY_TRY_ASSIGN(u.record, read_unit(area, upath));
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
    TOCKLY_TRY_ASSIGN(table_size, c.u32("form.window_table_size"));
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
        TOCKLY_TRY_ASSIGN(form.windows[k].id, c.u32("form.window_ids"));
    }
    for (auto& w : form.windows) TOCKLY_TRY_ASSIGN(w.header_word, c.u32("form.window_words"));

    std::set<std::uint32_t> seen;
    for (std::uint64_t k = 0; k < n; ++k) {
        if (!seen.insert(form.windows[k].id).second) {
            return make_error("form.window_ids", id_at[k], form.windows[k].id, "the same window twice");
        }
        const std::string path = "windows[" + std::to_string(k) + "]";
        TOCKLY_TRY_ASSIGN(form.windows[k], read_window(c, std::move(form.windows[k]), path));
    }
    if (!c.at_end()) {
        return make_error("form", c.offset(), c.remaining(), "bytes left over after the last window record");
    }
    return form;
}

}  // namespace tockly::image

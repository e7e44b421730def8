#include "image/json/form_json.h"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "image/form_fields.h"
#include "image/form_writer.h"
#include "image/hex_text.h"
#include "image/json/gbk_text.h"
#include "image/json/json_values.h"

namespace tockly::image {

using json = nlohmann::ordered_json;

namespace {

// --- to JSON ------------------------------------------------------------------------------------

std::string colour_text(Colour c) {
    if (c.is_none()) return "none";
    if ((c.ref >> 24) != 0) return hex_word(c.ref);
    return "#" + hex_digits(c.red(), 2) + hex_digits(c.green(), 2) + hex_digits(c.blue(), 2);
}

json to_json_value(std::uint32_t v) {
    return v;
}
json to_json_value(std::int32_t v) {
    return v;
}
json to_json_value(std::uint16_t v) {
    return v;
}
json to_json_value(Colour c) {
    return colour_text(c);
}
json to_json_value(const std::string& text) {
    return gbk_to_display(text);
}

json to_json_value(const std::vector<std::string>& texts) {
    json out = json::array();
    for (const auto& t : texts) out.push_back(gbk_to_display(t));
    return out;
}

template <std::size_t N>
json to_json_value(const std::array<std::uint32_t, N>& words) {
    json out = json::array();
    for (auto w : words) out.push_back(w);
    return out;
}

template <std::size_t N>
json to_json_value(const std::array<Colour, N>& colours) {
    json out = json::array();
    for (auto c : colours) out.push_back(colour_text(c));
    return out;
}

template <std::size_t N>
json to_json_value(const std::array<std::uint8_t, N>& bytes) {
    return bytes_to_hex(bytes);
}

json to_json_value(const Font& font) {
    if (!font) return nullptr;
    const LogFont& f = *font;
    json out;
    out["face"] = gbk_to_display(f.face());
    logfont_fields(
        [&](std::string_view name, const auto& v) {
            if (name != "face_bytes") out[std::string(name)] = v;
        },
        f);
    LogFont plain = f;
    plain.set_face(f.face());
    if (plain.face_bytes != f.face_bytes) out["face_bytes"] = bytes_to_hex(f.face_bytes);
    return out;
}

json blob_to_json(const PropertyBlob& blob) {
    if (std::holds_alternative<EmptyBlob>(blob)) return nullptr;
    json out = json::object();
    std::visit(
        [&](const auto& b) {
            blob_fields([&](const char* name, const auto& v) { out[name] = to_json_value(v); }, b);
        },
        blob);
    return out;
}

json flags_to_json(std::uint32_t flags) {
    json out = json::array();
    if (flags & form_format::flag_visible) out.push_back("visible");
    if (flags & form_format::flag_disabled) out.push_back("disabled");
    if (flags & form_format::flag_tab_stop) out.push_back("tab_stop");
    return out;
}

// A record field's JSON value. A handler is written as its routine's address, or as -1 for none.
template <typename Text>
json record_json_value(const char*, const NulText<Text>& t) {
    return gbk_to_display(t.text);
}
template <typename Word>
json record_json_value(const char*, const CheckedWord<Word>& w) {
    return w.value;
}
json record_json_value(const char* name, std::int32_t v) {
    if (std::string_view(name) == "handler" && v >= 0) return hex_word(static_cast<std::uint32_t>(v));
    return v;
}
template <typename T>
json record_json_value(const char*, const T& v) {
    return to_json_value(v);
}

// A menu item through its field mapping. The fields one edits are always listed; the others only
// where they differ from a new item's.
json menu_item_to_json(const MenuItemRecord& m) {
    auto walk = [](const MenuItemRecord& record) {
        json out = json::object();
        menu_item_fields([&](const char* name, const auto& v) { out[name] = record_json_value(name, v); },
                         record);
        return out;
    };
    const json all = walk(m);
    static const json usual = walk(MenuItemRecord{});
    static constexpr std::string_view kAlwaysListed[] = {"level", "state", "caption", "handler"};
    json out = json::object();
    for (const auto& [key, value] : all.items()) {
        const bool always =
            std::find(std::begin(kAlwaysListed), std::end(kAlwaysListed), key) != std::end(kAlwaysListed);
        if (always || value != usual[key]) out[key] = value;
    }
    return out;
}

json unit_to_json(const FormUnit& unit) {
    json out;
    out["id"] = hex_word(unit.id);
    out["type"] = std::string(unit_type_name(unit.type()));
    if (const auto* m = unit.menu_item()) {
        const json fields = menu_item_to_json(*m);
        for (const auto& [key, value] : fields.items()) out[key] = value;
        return out;
    }
    const UnitRecord& r = *unit.unit();
    out["name"] = gbk_to_display(r.name);
    out["place"] = {
        {"left", r.place.left}, {"top", r.place.top}, {"width", r.place.width}, {"height", r.place.height}};
    out["flags"] = flags_to_json(r.flags);
    if (r.parent != 0) out["parent"] = hex_word(r.parent);
    if (!r.children.empty()) {
        json children = json::array();
        for (auto c : r.children) children.push_back(hex_word(c));
        out["children"] = children;
    }
    if (!r.bindings.empty()) {
        json bindings = json::array();
        for (const auto& b : r.bindings)
            bindings.push_back({{"event", b.event}, {"handler", hex_word(b.handler)}});
        out["bindings"] = bindings;
    }
    out["blob"] = blob_to_json(r.blob);
    // Fields that hold their usual values in practically every form are only listed when not.
    const UnitRecord usual;
    if (r.zero_a != usual.zero_a) out["zero_a"] = bytes_to_hex(r.zero_a);
    if (!r.comment.empty()) out["comment"] = gbk_to_display(r.comment);
    if (r.zero_b != 0) out["zero_b"] = r.zero_b;
    if (r.zero_c != 0) out["zero_c"] = r.zero_c;
    if (r.reserved_data != usual.reserved_data) {
        out["reserved_data"] = bytes_to_hex(
            std::span(reinterpret_cast<const std::uint8_t*>(r.reserved_data.data()), r.reserved_data.size()));
    }
    if (!r.reserved_text.empty()) out["reserved_text"] = gbk_to_display(r.reserved_text);
    if (r.zero_d != 0) out["zero_d"] = r.zero_d;
    if (r.zero_e != 0) out["zero_e"] = r.zero_e;
    if (r.zero_f != usual.zero_f) out["zero_f"] = bytes_to_hex(r.zero_f);
    return out;
}

// --- from JSON ----------------------------------------------------------------------------------

std::string member(const std::string& path, std::string_view key) {
    return path + "." + std::string(key);
}

Status read_value(const json& j, const std::string& path, std::uint32_t& out) {
    TOCKLY_TRY(v, json_u32(j, path));
    out = *v;
    return Ok{};
}

Status read_value(const json& j, const std::string& path, std::int32_t& out) {
    TOCKLY_TRY(v, json_i32(j, path));
    out = *v;
    return Ok{};
}

template <typename Small>
Status read_small(const json& j, const std::string& path, Small& out) {
    TOCKLY_TRY(v, json_u32(j, path));
    if (*v > std::numeric_limits<Small>::max()) {
        return json_error(path, "must lie in 0 .. " + std::to_string(std::numeric_limits<Small>::max()));
    }
    out = static_cast<Small>(*v);
    return Ok{};
}

Status read_value(const json& j, const std::string& path, std::uint16_t& out) {
    return read_small(j, path, out);
}
Status read_value(const json& j, const std::string& path, std::uint8_t& out) {
    return read_small(j, path, out);
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

Status read_value(const json& j, const std::string& path, Colour& out) {
    if (j.is_string()) {
        const auto& s = j.get_ref<const std::string&>();
        if (s == "none") {
            out = Colour::none();
            return Ok{};
        }
        if (s.size() == 7 && s[0] == '#') {
            std::uint32_t rgb[3];
            for (int i = 0; i < 3; ++i) {
                const int hi = hex_value(s[1 + 2 * i]), lo = hex_value(s[2 + 2 * i]);
                if (hi < 0 || lo < 0)
                    return json_error(path, "a colour is \"#rrggbb\", \"none\" or a 0x word");
                rgb[i] = static_cast<std::uint32_t>(hi * 16 + lo);
            }
            out = Colour::rgb(static_cast<std::uint8_t>(rgb[0]), static_cast<std::uint8_t>(rgb[1]),
                              static_cast<std::uint8_t>(rgb[2]));
            return Ok{};
        }
    }
    auto v = json_u32(j, path);
    if (!v) return json_error(path, "a colour is \"#rrggbb\", \"none\" or a 0x word");
    out = Colour{*v};
    return Ok{};
}

Status read_value(const json& j, const std::string& path, std::string& out) {
    TOCKLY_TRY(v, json_text(j, path));
    out = std::move(*v);
    return Ok{};
}

Status read_value(const json& j, const std::string& path, std::vector<std::string>& out) {
    if (!j.is_array()) return json_error(path, "must be an array of texts");
    out.assign(j.size(), std::string());
    for (std::size_t i = 0; i < j.size(); ++i) {
        Status s = read_value(j[i], path + "[" + std::to_string(i) + "]", out[i]);
        if (!s) return s;
    }
    return Ok{};
}

template <typename T, std::size_t N>
Status read_value(const json& j, const std::string& path, std::array<T, N>& out) {
    if constexpr (std::is_same_v<T, std::uint8_t>) {
        TOCKLY_TRY(bytes, json_hex(j, path));
        if (bytes->size() != N) return json_error(path, "must hold exactly " + std::to_string(N) + " bytes");
        std::copy(bytes->begin(), bytes->end(), out.begin());
        return Ok{};
    } else {
        if (!j.is_array() || j.size() != N) {
            return json_error(path, "must be an array of " + std::to_string(N) + " values");
        }
        for (std::size_t i = 0; i < N; ++i) {
            Status s = read_value(j[i], path + "[" + std::to_string(i) + "]", out[i]);
            if (!s) return s;
        }
        return Ok{};
    }
}

Status read_value(const json& j, const std::string& path, Font& out);

// Reads members of an object, each optional (a missing one keeps its value), and refuses members
// that no read asked for.
class ObjectReader {
  public:
    ObjectReader(const json& j, std::string path) : j_(j), path_(std::move(path)) {
        if (!j_.is_object()) status_ = json_error(path_, "must be an object");
    }

    // How a record stores a text or checks a word is no matter here: validate_form checks the
    // whole form once it is read.
    void operator()(const char* key, NulText<std::string> t) { (*this)(key, t.text); }
    void operator()(const char* key, CheckedWord<std::uint32_t> w) { (*this)(key, w.value); }

    template <typename T>
    void operator()(const char* key, T& out) {
        known_.push_back(key);
        if (!status_) return;
        auto it = j_.find(key);
        if (it == j_.end()) return;
        status_ = read_value(*it, member(path_, key), out);
    }

    // Required member.
    template <typename T>
    void required(const char* key, T& out) {
        if (status_ && !j_.contains(key)) status_ = json_error(member(path_, key), "is missing");
        (*this)(key, out);
    }

    const json* find(const char* key) {
        known_.push_back(key);
        if (!status_) return nullptr;
        auto it = j_.find(key);
        return it == j_.end() ? nullptr : &*it;
    }

    void fail(Status s) {
        if (status_ && !s) status_ = std::move(s);
    }
    bool ok() const { return status_.ok(); }
    const std::string& path() const { return path_; }

    Status finish() {
        if (!status_) return status_;
        for (const auto& [key, value] : j_.items()) {
            bool allowed = false;
            for (const auto& k : known_) allowed = allowed || k == key;
            if (!allowed) return json_error(member(path_, key), "is not a known member");
        }
        return Ok{};
    }

  private:
    const json& j_;
    std::string path_;
    std::vector<std::string> known_;
    Status status_ = Ok{};
};

Status read_value(const json& j, const std::string& path, Font& out) {
    if (j.is_null()) {
        out.reset();
        return Ok{};
    }
    LogFont f;
    ObjectReader r(j, path);
    std::string face;
    r.required("face", face);
    // The face bytes are read after the face, which sets them.
    logfont_fields(
        [&](const char* name, auto& v) {
            if (std::string_view(name) != "face_bytes") r(name, v);
        },
        f);
    if (r.ok() && face.size() > form_format::logfont_face_size) {
        return json_error(member(path, "face"), "a face name has at most 32 bytes");
    }
    f.set_face(face);
    r("face_bytes", f.face_bytes);
    Status s = r.finish();
    if (!s) return s;
    if (f.face() != face) return json_error(member(path, "face_bytes"), "does not begin with the face");
    out = f;
    return Ok{};
}

Result<PropertyBlob> blob_from_json(const json& j, UnitType type, const std::string& path) {
    if (j.is_null()) return PropertyBlob(EmptyBlob{});
    Result<PropertyBlob> out = json_error(path, "this type has no blob layout: the blob must be null");
    with_blob_kind(type, [&](auto kind) {
        typename decltype(kind)::blob b;
        ObjectReader r(j, path);
        blob_fields(r, b);
        Status s = r.finish();
        out = s ? Result<PropertyBlob>(PropertyBlob(std::move(b))) : Result<PropertyBlob>(s.error());
    });
    return out;
}

Status read_place(const json& j, const std::string& path, Place& out) {
    ObjectReader r(j, path);
    r.required("left", out.left);
    r.required("top", out.top);
    r.required("width", out.width);
    r.required("height", out.height);
    return r.finish();
}

Status read_flags(const json& j, const std::string& path, std::uint32_t& out) {
    if (!j.is_array()) return json_error(path, "must be an array of \"visible\", \"disabled\", \"tab_stop\"");
    out = 0;
    for (std::size_t i = 0; i < j.size(); ++i) {
        const std::string p = path + "[" + std::to_string(i) + "]";
        if (!j[i].is_string()) return json_error(p, "must be a flag name");
        const auto& name = j[i].get_ref<const std::string&>();
        if (name == "visible") {
            out |= form_format::flag_visible;
        } else if (name == "disabled") {
            out |= form_format::flag_disabled;
        } else if (name == "tab_stop") {
            out |= form_format::flag_tab_stop;
        } else {
            return json_error(p, "unknown flag \"" + name + "\"");
        }
    }
    return Ok{};
}

Status read_ids(const json& j, const std::string& path, std::vector<std::uint32_t>& out) {
    if (!j.is_array()) return json_error(path, "must be an array of identifiers");
    out.assign(j.size(), 0);
    for (std::size_t i = 0; i < j.size(); ++i) {
        Status s = read_value(j[i], path + "[" + std::to_string(i) + "]", out[i]);
        if (!s) return s;
    }
    return Ok{};
}

Status read_bindings(const json& j, const std::string& path, std::vector<EventBinding>& out) {
    if (!j.is_array()) return json_error(path, "must be an array of {event, handler}");
    out.assign(j.size(), EventBinding{});
    for (std::size_t i = 0; i < j.size(); ++i) {
        ObjectReader r(j[i], path + "[" + std::to_string(i) + "]");
        r.required("event", out[i].event);
        r.required("handler", out[i].handler);
        Status s = r.finish();
        if (!s) return s;
    }
    return Ok{};
}

Result<FormUnit> unit_from_json(const json& j, const std::string& path) {
    ObjectReader r(j, path);
    FormUnit unit;
    r.required("id", unit.id);
    std::string type_name;
    if (const json* t = r.find("type")) {
        if (t->is_string()) type_name = t->get<std::string>();
    }
    const auto type = unit_type_from_name(type_name);
    if (r.ok() && !type) return json_error(member(path, "type"), "missing or not a known unit type");
    if (!r.ok()) return r.finish().error();

    if (*type == UnitType::menu_item) {
        MenuItemRecord m;
        menu_item_fields(r, m);
        TOCKLY_CHECK(r.finish());
        unit.record = std::move(m);
        return unit;
    }

    UnitRecord u;
    u.type = *type;
    r("name", u.name);
    if (const json* p = r.find("place")) r.fail(read_place(*p, member(path, "place"), u.place));
    if (const json* f = r.find("flags")) r.fail(read_flags(*f, member(path, "flags"), u.flags));
    r("parent", u.parent);
    if (const json* c = r.find("children")) r.fail(read_ids(*c, member(path, "children"), u.children));
    if (const json* b = r.find("bindings")) r.fail(read_bindings(*b, member(path, "bindings"), u.bindings));
    if (const json* b = r.find("blob")) {
        TOCKLY_TRY(blob, blob_from_json(*b, u.type, member(path, "blob")));
        u.blob = std::move(*blob);
    }
    r("zero_a", u.zero_a);
    r("comment", u.comment);
    r("zero_b", u.zero_b);
    r("zero_c", u.zero_c);
    if (const json* d = r.find("reserved_data")) {
        TOCKLY_TRY(bytes, json_hex(*d, member(path, "reserved_data")));
        u.reserved_data.assign(bytes->begin(), bytes->end());
    }
    r("reserved_text", u.reserved_text);
    r("zero_d", u.zero_d);
    r("zero_e", u.zero_e);
    r("zero_f", u.zero_f);
    TOCKLY_CHECK(r.finish());
    unit.record = std::move(u);
    return unit;
}

Result<FormWindow> window_from_json(const json& j, const std::string& path) {
    ObjectReader r(j, path);
    FormWindow w;
    r.required("id", w.id);
    r("class_id", w.class_id);
    r("header_word", w.header_word);
    r("record_word", w.record_word);
    r("name", w.name);
    r("comment", w.comment);
    const json* units = r.find("units");
    TOCKLY_CHECK(r.finish());
    if (!units || !units->is_array()) return json_error(member(path, "units"), "must be an array of units");
    for (std::size_t i = 0; i < units->size(); ++i) {
        TOCKLY_TRY(u, unit_from_json((*units)[i], member(path, "units") + "[" + std::to_string(i) + "]"));
        w.units.push_back(std::move(*u));
    }
    return w;
}

}  // namespace

json form_to_json(const FormData& form) {
    json windows = json::array();
    for (const auto& w : form.windows) {
        json out;
        out["id"] = hex_word(w.id);
        out["class_id"] = hex_word(w.class_id);
        out["header_word"] = hex_word(w.header_word);
        out["record_word"] = hex_word(w.record_word);
        if (!w.name.empty()) out["name"] = gbk_to_display(w.name);
        if (!w.comment.empty()) out["comment"] = gbk_to_display(w.comment);
        json units = json::array();
        for (const auto& u : w.units) units.push_back(unit_to_json(u));
        out["units"] = units;
        windows.push_back(out);
    }
    return json{{"windows", windows}};
}

Result<FormData> form_from_json(const json& j) {
    if (auto s = json_only_keys(j, "", {"windows"}); !s) return s.error();
    TOCKLY_TRY(windows, json_member(j, "windows", ""));
    if (!(*windows)->is_array()) return json_error("windows", "must be an array of windows");
    FormData form;
    for (std::size_t k = 0; k < (*windows)->size(); ++k) {
        TOCKLY_TRY(w, window_from_json((**windows)[k], "windows[" + std::to_string(k) + "]"));
        form.windows.push_back(std::move(*w));
    }
    if (auto s = validate_form(form); !s) return s.error();
    return form;
}

}  // namespace tockly::image

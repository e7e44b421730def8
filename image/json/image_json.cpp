#include "image/json/image_json.h"

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "image/byte_writer.h"
#include "image/container_fields.h"
#include "image/json/form_segment_json.h"
#include "image/json/gbk_text.h"
#include "image/json/json_values.h"
#include "image/relocation.h"

namespace tockly::image {

namespace cf = container_format;
using json = nlohmann::ordered_json;

namespace {

bool is_auto(const json& j) {
    return j.is_string() && j.get<std::string>() == "auto";
}

std::string json_path(const HeaderField& f) {
    return std::string("header.") + (f.json_group ? std::string(f.json_group) + "." : "") + f.json_key;
}

// The header's keys, and a group's (the segment table: an object, or "auto" for all of it).
Status header_keys_only(const json& hj) {
    const ImageHeader shape;
    std::vector<std::string_view> keys;
    std::map<std::string, std::vector<std::string_view>> groups;
    header_fields(
        [&](const HeaderField& f, const auto&) {
            if (!f.json_group) {
                keys.emplace_back(f.json_key);
            } else if (groups[f.json_group].empty()) {
                keys.emplace_back(f.json_group);
                groups[f.json_group].emplace_back(f.json_key);
            } else {
                groups[f.json_group].emplace_back(f.json_key);
            }
        },
        std::as_const(shape));
    TOCKLY_CHECK(json_only_keys(hj, "header", keys));
    for (const auto& [group, members] : groups) {
        if (!hj.contains(group) || is_auto(hj[group])) continue;
        const std::string path = "header." + group;
        if (!hj[group].is_object()) return json_error(path, "must be an object or \"auto\"");
        TOCKLY_CHECK(json_only_keys(hj[group], path, members));
    }
    return Ok{};
}

// The header fields of one source that the JSON gives: a field that is absent, or "auto" for a
// field worked out from the chain, keeps its value.
Status header_from_json(const json& hj, ImageHeader& h, WordSource source) {
    std::optional<Error> failed;
    header_fields(
        [&](const HeaderField& f, auto& member) {
            if (failed || f.source != source) return;
            const json* value = nullptr;
            if (!f.json_group) {
                if (hj.contains(f.json_key)) value = &hj[f.json_key];
            } else if (hj.contains(f.json_group) && hj[f.json_group].is_object() &&
                       hj[f.json_group].contains(f.json_key)) {
                value = &hj[f.json_group][f.json_key];
            }
            if (value == nullptr || is_auto(*value)) return;
            const std::string path = json_path(f);
            if constexpr (std::is_same_v<std::remove_cvref_t<decltype(member)>, std::uint32_t>) {
                if (auto v = json_u32(*value, path)) {
                    member = *v;
                } else {
                    failed = v.error();
                }
            } else if (auto bytes = json_hex(*value, path); !bytes) {
                failed = bytes.error();
            } else if (bytes->size() != member.size()) {
                failed = json_error(path, "must hold exactly " + std::to_string(member.size()) + " bytes");
            } else {
                std::copy(bytes->begin(), bytes->end(), member.begin());
            }
        },
        h);
    if (failed) return *failed;
    return Ok{};
}

// A relocation entry as "kind:position", the kind by name ("kind4" to "kind7" for the undefined
// ones, kept so that any entry round-trips) and the position in hex.
const char* const relocation_kind_names[8] = {"helper", "const", "var",   "code",
                                              "kind4",  "kind5", "kind6", "kind7"};

std::string relocation_to_json(std::uint32_t entry) {
    return std::string(relocation_kind_names[entry & 7]) + ":" + hex_word(entry >> 3);
}

Result<std::uint32_t> relocation_from_json(const json& j, const std::string& path) {
    if (!j.is_string()) return json_error(path, "must be a \"kind:position\" string");
    const auto& s = j.get_ref<const std::string&>();
    auto colon = s.find(':');
    if (colon == std::string::npos) return json_error(path, "must be a \"kind:position\" string");
    std::uint32_t kind = 8;
    for (std::uint32_t k = 0; k < 8; ++k) {
        if (s.compare(0, colon, relocation_kind_names[k]) == 0 &&
            colon == std::string(relocation_kind_names[k]).size()) {
            kind = k;
        }
    }
    if (kind == 8) return json_error(path, "unknown relocation kind '" + s.substr(0, colon) + "'");
    TOCKLY_TRY(position, json_u32(json(s.substr(colon + 1)), path));
    if (*position > relocation_max_position) return json_error(path, "position needs more than 29 bits");
    return *position << 3 | kind;
}

json segment_payload_to_json(const Segment& seg, std::uint64_t data_offset, json& out) {
    if (!seg.data) {
        out["data"] = nullptr;
        return out;
    }
    const auto& data = *seg.data;
    if (seg.name == cf::form_name) {
        if (auto form = form_data_to_json(data, data_offset)) {
            out["form"] = std::move(*form);
            return out;
        }
    }
    if (seg.name == cf::reloc1_name) {
        if (auto lists = read_reloc1(data, data_offset)) {
            json arr = json::array();
            for (const auto& list : lists->lists) arr.push_back(list);
            out["lists"] = std::move(arr);
            return out;
        }
    }
    out["data"] = bytes_to_hex(data);
    return out;
}

Result<std::vector<std::uint8_t>> const_items_from_json(const json& items, const std::string& path) {
    if (!items.is_array()) return json_error(path, "must be an array of constants");
    std::vector<std::uint8_t> pool;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string p = path + "[" + std::to_string(i) + "]";
        const json& item = items[i];
        if (!item.is_object() || item.size() != 1) {
            return json_error(p, "a constant is an object with one member: text, double, byte_set or array");
        }
        const auto member = item.begin();
        const std::string key = member.key();
        const json& value = member.value();
        if (key == "text") {
            TOCKLY_TRY(text, json_text(value, p + ".text"));
            if (text->find('\0') != std::string::npos)
                return json_error(p + ".text", "a text holds no zero byte");
            put_text(pool, *text);
            pool.push_back(0);
        } else if (key == "double") {
            if (!value.is_number()) return json_error(p + ".double", "must be a number");
            put_f64(pool, value.get<double>());
        } else if (key == "byte_set") {
            TOCKLY_TRY(bytes, json_hex(value, p + ".byte_set"));
            put_u32(pool, 1);
            put_u32(pool, static_cast<std::uint32_t>(bytes->size()));
            put_bytes(pool, *bytes);
        } else if (key == "array") {
            if (!value.is_array()) return json_error(p + ".array", "must be an array of dimension sizes");
            put_u32(pool, static_cast<std::uint32_t>(value.size()));
            for (std::size_t d = 0; d < value.size(); ++d) {
                TOCKLY_TRY(size, json_u32(value[d], p + ".array[" + std::to_string(d) + "]"));
                put_u32(pool, *size);
            }
        } else {
            return json_error(p + "." + key, "unknown kind of constant");
        }
    }
    return pool;
}

Result<Segment> segment_from_json(const json& j, const std::string& path) {
    TOCKLY_CHECK(json_only_keys(
        j, path,
        {"name", "flags", "memory_size", "reserved", "relocations", "data", "items", "form", "lists"}));
    Segment seg;
    TOCKLY_TRY(name, json_member(j, "name", path));
    if (!(*name)->is_string()) return json_error(path + ".name", "must be a string");
    seg.name = (*name)->get<std::string>();

    TOCKLY_TRY(flags, json_member_u32(j, "flags", path));
    seg.flags = *flags;
    if (j.contains("reserved")) {
        TOCKLY_TRY(r, json_u32(j["reserved"], path + ".reserved"));
        seg.reserved = *r;
    }
    if (j.contains("relocations")) {
        const json& rel = j["relocations"];
        const std::string rp = path + ".relocations";
        if (!rel.is_array()) return json_error(rp, "must be an array of \"kind:position\" strings");
        for (std::size_t i = 0; i < rel.size(); ++i) {
            TOCKLY_TRY(entry, relocation_from_json(rel[i], rp + "[" + std::to_string(i) + "]"));
            seg.relocations.push_back(*entry);
        }
    }

    int payloads = 0;
    for (const char* key : {"data", "items", "form", "lists"}) payloads += j.contains(key) ? 1 : 0;
    if (payloads != 1) return json_error(path, "give exactly one of data, items, form or lists");
    if (j.contains("data")) {
        if (!j["data"].is_null()) {
            TOCKLY_TRY(bytes, json_hex(j["data"], path + ".data"));
            seg.data = std::move(*bytes);
        }
    } else if (j.contains("items")) {
        TOCKLY_TRY(pool, const_items_from_json(j["items"], path + ".items"));
        seg.data = std::move(*pool);
    } else if (j.contains("form")) {
        auto form = form_data_from_json(j["form"]);
        if (!form) {
            Error e = form.error();
            e.field = path + ".form." + e.field;
            return e;
        }
        seg.data = std::move(*form);
    } else {
        const json& lists = j["lists"];
        const std::string lp = path + ".lists";
        if (!lists.is_array() || lists.size() != reloc1_list_count)
            return json_error(lp, "must be an array of four lists");
        Reloc1Lists out;
        for (std::size_t l = 0; l < reloc1_list_count; ++l) {
            const std::string p = lp + "[" + std::to_string(l) + "]";
            if (!lists[l].is_array()) return json_error(p, "must be an array of positions");
            for (std::size_t i = 0; i < lists[l].size(); ++i) {
                TOCKLY_TRY(v, json_u32(lists[l][i], p + "[" + std::to_string(i) + "]"));
                out.lists[l].push_back(*v);
            }
        }
        seg.data = write_reloc1(out);
    }
    if (seg.data && seg.data->size() >= cf::none)
        return json_error(path, "stored data too large for the format");

    TOCKLY_TRY(memory, json_member(j, "memory_size", path));
    if ((*memory)->is_string() && (*memory)->get<std::string>() == "auto") {
        seg.memory_size = static_cast<std::uint32_t>(seg.stored_size());
    } else {
        TOCKLY_TRY(m, json_u32(**memory, path + ".memory_size"));
        seg.memory_size = *m;
    }
    return seg;
}

}  // namespace

json image_to_json(const Image& image) {
    const auto& h = image.header;
    json out;
    json header;
    header_fields(
        [&](const HeaderField& f, const auto& member) {
            json& slot = f.json_group ? header[f.json_group][f.json_key] : header[f.json_key];
            if constexpr (std::is_same_v<std::remove_cvref_t<decltype(member)>, std::uint32_t>) {
                slot = hex_word(member);
            } else {
                slot = bytes_to_hex(member);
            }
        },
        h);
    out["header"] = std::move(header);

    json libs = json::array();
    for (const auto& row : image.libraries) {
        json r;
        r["file"] = gbk_to_display(row.file_name);
        r["identifier"] = gbk_to_display(row.identifier);
        r["major"] = gbk_to_display(row.major_version);
        r["minor"] = gbk_to_display(row.minor_version);
        r["name"] = gbk_to_display(row.display_name);
        libs.push_back(std::move(r));
    }
    out["libraries"] = std::move(libs);

    auto layout = compute_layout(image);
    json segs = json::array();
    for (std::size_t i = 0; i < image.segments.size(); ++i) {
        const auto& seg = image.segments[i];
        json s;
        s["name"] = seg.name;
        s["flags"] = hex_word(seg.flags);
        s["memory_size"] = seg.memory_size;
        if (seg.reserved != 0) s["reserved"] = hex_word(seg.reserved);
        if (!seg.relocations.empty()) {
            json rel = json::array();
            for (std::uint32_t e : seg.relocations) rel.push_back(relocation_to_json(e));
            s["relocations"] = std::move(rel);
        }
        std::uint64_t data_offset = layout ? layout->segments[i].data_offset : 0;
        segment_payload_to_json(seg, data_offset, s);
        segs.push_back(std::move(s));
    }
    out["segments"] = std::move(segs);
    return out;
}

Result<Image> image_from_json(const json& j) {
    if (!j.is_object()) return json_error("", "an image is a JSON object");
    TOCKLY_CHECK(json_only_keys(j, "", {"header", "libraries", "segments"}));
    Image image;
    auto& h = image.header;

    TOCKLY_TRY(header, json_member(j, "header", ""));
    const json& hj = **header;
    TOCKLY_CHECK(header_keys_only(hj));
    // Fields as given, or the usual values when absent.
    TOCKLY_CHECK(header_from_json(hj, h, WordSource::stored));

    TOCKLY_TRY(libs, json_member(j, "libraries", ""));
    if (!(*libs)->is_array()) return json_error("libraries", "must be an array");
    for (std::size_t i = 0; i < (*libs)->size(); ++i) {
        const json& r = (**libs)[i];
        const std::string p = "libraries[" + std::to_string(i) + "]";
        if (!r.is_object()) return json_error(p, "must be an object");
        TOCKLY_CHECK(json_only_keys(r, p, {"file", "identifier", "major", "minor", "name"}));
        LibraryRow row;
        for (auto [key, target] :
             {std::pair{"file", &row.file_name}, std::pair{"identifier", &row.identifier},
              std::pair{"major", &row.major_version}, std::pair{"minor", &row.minor_version},
              std::pair{"name", &row.display_name}}) {
            TOCKLY_TRY(m, json_member(r, key, p));
            TOCKLY_TRY(text, json_text(**m, p + "." + key));
            *target = std::move(*text);
        }
        image.libraries.push_back(std::move(row));
    }

    TOCKLY_TRY(segs, json_member(j, "segments", ""));
    if (!(*segs)->is_array() || (*segs)->empty()) return json_error("segments", "must be a non-empty array");
    for (std::size_t i = 0; i < (*segs)->size(); ++i) {
        const std::string p = "segments[" + std::to_string(i) + "]";
        if (!(**segs)[i].is_object()) return json_error(p, "must be an object");
        TOCKLY_TRY(seg, segment_from_json((**segs)[i], p));
        image.segments.push_back(std::move(*seg));
    }

    // The words that point into the chain: as given, or "auto" (the default) from the chain.
    std::optional<std::uint32_t> entry_in_code;
    TOCKLY_TRY(entry, json_member(hj, "entry", "header"));
    if ((*entry)->is_object()) {
        TOCKLY_CHECK(json_only_keys(**entry, "header.entry", {"in_code"}));
        TOCKLY_TRY(in_code, json_member(**entry, "in_code", "header.entry"));
        TOCKLY_TRY(v, json_u32(**in_code, "header.entry.in_code"));
        entry_in_code = *v;
    } else {
        TOCKLY_TRY(v, json_u32(**entry, "header.entry"));
        h.entry = *v;
    }
    auto laid = finalize_layout(image, entry_in_code);
    if (!laid) {
        Error e = laid.error();
        if (e.field == "header.entry") e.field = "header.entry.in_code";
        return e;
    }
    TOCKLY_CHECK(header_from_json(hj, h, WordSource::from_chain));
    return image;
}

}  // namespace tockly::image

// A readable listing of an image: header, library table, segments with their relocations, the
// constant pool's items as far as they can be told apart, the @reloc1 lists and the form.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <set>
#include <sstream>

#include "image/byte_writer.h"
#include "image/const_pool.h"
#include "image/container_fields.h"
#include "image/hex_text.h"
#include "image/json/gbk_text.h"
#include "image/relocation.h"
#include "image/unit_id.h"
#include "programs/tockly-image/form_listing.h"
#include "programs/tockly-image/image_input.h"

namespace tockly::tool {

namespace cf = image::container_format;

namespace {

// The listing writes offsets and words in lower case, eight digits unless a field is narrower.
std::string hex(std::uint64_t v, int digits = 8) {
    return image::hex(v, digits, image::HexLetters::lower);
}

std::string flag_names(std::uint32_t flags) {
    std::string out;
    auto add = [&](std::uint32_t bit, const char* name) {
        if (flags & bit) out += out.empty() ? name : std::string(", ") + name;
    };
    add(cf::flag_present, "present");
    add(cf::flag_writable, "writable");
    add(cf::flag_code, "code");
    add(cf::flag_zero_fill, "zero-filled");
    if (flags & ~(cf::flag_present | cf::flag_writable | cf::flag_code | cf::flag_zero_fill)) {
        out += out.empty() ? "other bits" : ", other bits";
    }
    return out;
}

std::string hex_bytes(std::span<const std::uint8_t> bytes, std::size_t limit) {
    std::string out = image::hex_bytes(bytes.first(std::min(limit, bytes.size())), " ");
    if (bytes.size() > limit) out += " ...";
    return out;
}

// Every byte, 16 to a row, each row led by its offset within the data.
void dump_rows(std::ostream& os, std::span<const std::uint8_t> data) {
    for (std::size_t at = 0; at < data.size(); at += 16) {
        os << "    " << hex(at, 6) << "  "
           << hex_bytes(data.subspan(at, std::min<std::size_t>(16, data.size() - at)), 16) << "\n";
    }
}

std::string quoted(const std::string& gbk) {
    return "\"" + image::gbk_to_display(gbk) + "\"";
}

std::string unit_id_text(std::uint32_t id) {
    return hex(id) + " (" + std::string(image::unit_kind_name(image::unit_id_kind(id))) + " " +
           std::to_string(image::unit_id_serial(id)) + ")";
}

void dump_header(std::ostream& os, const image::Image& img) {
    os << "header\n";
    image::header_fields(
        [&](const image::HeaderField& f, const auto& member) {
            std::string label = f.label;
            label.resize(19, ' ');
            os << "  " << label;
            if constexpr (std::is_same_v<std::remove_cvref_t<decltype(member)>, std::uint32_t>) {
                os << hex(member) << "\n";
            } else {
                const bool zero =
                    std::all_of(member.begin(), member.end(), [](std::uint8_t b) { return b == 0; });
                os << (zero ? "all zero" : hex_bytes(member, member.size())) << "\n";
            }
        },
        img.header);
}

void dump_libraries(std::ostream& os, const image::Image& img) {
    os << "libraries (" << img.libraries.size() << ")\n";
    for (std::size_t i = 0; i < img.libraries.size(); ++i) {
        const auto& r = img.libraries[i];
        os << "  " << i << "  " << quoted(r.file_name) << "  " << quoted(r.identifier) << "  version "
           << image::gbk_to_display(r.major_version) << "." << image::gbk_to_display(r.minor_version) << "  "
           << quoted(r.display_name) << "\n";
    }
}

// The offsets that kind-1 relocations store: where the code says constants start.
std::vector<std::uint32_t> referenced_constants(const image::Image& img) {
    std::vector<std::uint32_t> out;
    const auto* code = img.find(cf::code_name);
    if (code == nullptr || !code->data) return out;
    for (std::uint32_t entry : code->relocations) {
        auto r = image::decode_relocation(entry);
        if (!r || r->kind != image::RelocationKind::constant) continue;
        if (r->position > code->data->size() || code->data->size() - r->position < 4) continue;
        out.push_back(image::get_u32(*code->data, r->position));
    }
    return out;
}

void dump_pool(std::ostream& os, const image::Image& img, const image::Segment& seg) {
    const auto& pool = *seg.data;
    auto pieces = image::guess_pool_items(pool, referenced_constants(img));
    os << "    constants (cut at the offsets the code refers to)\n";
    for (const auto& p : pieces) {
        os << "      " << hex(p.offset, 6) << "  ";
        auto bytes = std::span<const std::uint8_t>(pool).subspan(p.offset, p.size);
        if (!p.known) {
            os << "raw " << p.size << " bytes: " << hex_bytes(bytes, 16) << "\n";
            continue;
        }
        switch (p.kind) {
            case image::ConstKind::text:
                os << "text " << quoted(std::string(bytes.begin(), bytes.end() - 1)) << "\n";
                break;
            case image::ConstKind::number: {
                std::ostringstream num;
                num.precision(17);
                num << image::read_pool_double(pool, p.offset).value();
                os << "double " << num.str() << "\n";
                break;
            }
            case image::ConstKind::byte_set:
                os << "byte set " << (p.size - 8) << " bytes: " << hex_bytes(bytes.subspan(8), 16) << "\n";
                break;
            case image::ConstKind::array_init: {
                auto dims = image::read_pool_array_init(pool, p.offset).value();
                os << "array initialiser (" << dims.size() << " dimensions";
                for (auto d : dims) os << ", " << d;
                os << ")\n";
                break;
            }
        }
    }
}

void dump_code_relocations(std::ostream& os, const image::Segment& seg) {
    os << "    relocations (" << seg.relocations.size() << ")\n";
    for (std::uint32_t entry : seg.relocations) {
        os << "      " << hex(entry) << "  at " << hex(entry >> 3, 6) << "  ";
        auto r = image::decode_relocation(entry);
        if (!r) {
            os << "kind " << (entry & 7) << " (not defined)\n";
            continue;
        }
        os << image::relocation_kind_name(r->kind);
        if (seg.data && r->position <= seg.data->size() && seg.data->size() - r->position >= 4) {
            os << " + " << hex(image::get_u32(*seg.data, r->position));
        } else {
            os << " (outside the stored data)";
        }
        os << "\n";
    }
}

void dump_reloc1(std::ostream& os, const image::Image& img, const image::Segment& seg,
                 std::uint64_t data_offset) {
    auto lists = image::read_reloc1(*seg.data, data_offset);
    if (!lists) {
        os << "    lists do not decode: " << lists.error().message() << "\n";
        return;
    }
    const auto* code = img.find(cf::code_name);
    for (std::size_t l = 0; l < image::reloc1_list_count; ++l) {
        const auto& list = lists->lists[l];
        os << "    list " << (l + 1) << ", " << image::reloc1_list_name(static_cast<image::Reloc1List>(l))
           << " (" << list.size() << ")\n";
        for (std::uint32_t p : list) {
            os << "      at " << hex(p, 6);
            if (code && code->data && p <= code->data->size() && code->data->size() - p >= 4) {
                std::uint32_t v = image::get_u32(*code->data, p);
                if (l == 0) {
                    os << "  " << unit_id_text(v);
                } else if (l == 3) {
                    os << "  " << hex(v) << " (type " << image::unit_type_number(v) << ")";
                } else {
                    os << "  " << hex(v);
                }
            } else {
                os << "  (outside the code)";
            }
            os << "\n";
        }
    }
}

}  // namespace

int run_dump(const Args& args) {
    auto path = single_file_argument(args, "dump");
    if (!path) return exit_bad_input;
    auto img = load_image(*path);
    if (!img) return exit_bad_input;
    auto layout = image::compute_layout(*img).value();
    std::ostream& os = std::cout;
    os << "image " << *path << ": " << layout.size << " bytes\n";
    dump_header(os, *img);
    dump_libraries(os, *img);
    os << "segments (" << img->segments.size() << ")\n";
    for (std::size_t i = 0; i < img->segments.size(); ++i) {
        const auto& seg = img->segments[i];
        const auto& place = layout.segments[i];
        os << "  " << seg.name << "  header at " << hex(place.header_offset) << "  flags "
           << hex(seg.flags, 2) << " (" << flag_names(seg.flags) << ")  memory " << seg.memory_size;
        if (seg.data) {
            os << "  stored " << seg.data->size() << " at " << hex(place.data_offset);
        } else {
            os << "  nothing stored";
        }
        if (seg.reserved != 0) os << "  reserved " << hex(seg.reserved);
        os << "\n";
        if (!seg.relocations.empty()) dump_code_relocations(os, seg);
        if (!seg.data) continue;
        if (seg.name == cf::const_name) {
            dump_pool(os, *img, seg);
        } else if (seg.name == cf::reloc1_name) {
            dump_reloc1(os, *img, seg, place.data_offset);
        } else if (seg.name == cf::form_name) {
            list_form(os, *seg.data, place.data_offset);
        } else {
            dump_rows(os, *seg.data);
        }
    }
    return os.good() ? exit_ok : fail("cannot write the listing");
}

}  // namespace tockly::tool

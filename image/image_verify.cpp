#include "image/image_verify.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "image/byte_writer.h"
#include "image/container_fields.h"
#include "image/form.h"
#include "image/form_reader.h"
#include "image/hex_text.h"
#include "image/relocation.h"
#include "image/unit_id.h"

namespace tockly::image {

namespace cf = container_format;

namespace {

std::string hex(std::uint64_t v) {
    return image::hex(v, 1, HexLetters::lower);
}

// The header words that point into the chain, with their fields, in the header's order.
std::vector<std::pair<HeaderField, std::uint32_t>> chain_words(const ImageHeader& h) {
    std::vector<std::pair<HeaderField, std::uint32_t>> out;
    header_fields(
        [&](const HeaderField& f, const auto& word) {
            if constexpr (std::is_same_v<std::remove_cvref_t<decltype(word)>, std::uint32_t>) {
                if (f.source == WordSource::from_chain) out.emplace_back(f, word);
            }
        },
        h);
    return out;
}

bool all_of_chars(const std::string& s, bool (*pred)(char)) {
    return !s.empty() && std::all_of(s.begin(), s.end(), pred);
}

bool is_hex_char(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool is_digit_char(char c) {
    return c >= '0' && c <= '9';
}

class Verifier {
  public:
    explicit Verifier(const Image& image) : image_(image) {}

    std::vector<Error> run() {
        auto layout = compute_layout(image_);
        if (!layout) {
            problems_.push_back(layout.error());
            return problems_;
        }
        layout_ = std::move(*layout);
        check_header();
        check_libraries();
        check_segments();
        code_ = image_.find(cf::code_name);
        check_code_relocations();
        check_reloc1();
        check_form();
        check_overlaps();
        return problems_;
    }

  private:
    void problem(std::string field, std::uint64_t offset, std::string reason) {
        problems_.push_back(make_error(std::move(field), offset, std::move(reason)));
    }
    void problem(std::string field, std::uint64_t offset, std::uint64_t value, std::string reason) {
        problems_.push_back(make_error(std::move(field), offset, value, std::move(reason)));
    }
    // A reader's error inside a part: its own field, offset and value, told under the part's name.
    void read_problem(const std::string& part, const Error& e) {
        Error out = e;
        out.field = part;
        out.reason = e.message();
        problems_.push_back(std::move(out));
    }

    const SegmentPlace& place_of(const Segment* seg) const {
        return layout_.segments[static_cast<std::size_t>(seg - image_.segments.data())];
    }

    std::uint64_t header_field(const Segment& seg, std::size_t field) const {
        return place_of(&seg).header_offset + field;
    }
    std::uint64_t in_code(std::uint64_t position) const { return place_of(code_).data_offset + position; }
    // Where the form data starts: a problem inside the form is placed there (records carry no
    // offsets once read).
    std::uint64_t form_offset() const {
        const Segment* seg = image_.find(cf::form_name);
        return seg != nullptr ? place_of(seg).data_offset : 0;
    }

    std::uint64_t code_size() const { return code_ && code_->data ? code_->data->size() : 0; }

    bool fits_in_code(std::uint64_t position) const {
        return position <= code_size() && code_size() - position >= 4;
    }

    void check_header() {
        const auto& h = image_.header;
        // The words that point into the chain, against where the chain's parts lie.
        const auto stored = chain_words(h);
        const auto wanted = chain_words(header_with_chain_words(image_, layout_));
        for (std::size_t i = 0; i < stored.size(); ++i) {
            const auto& [field, value] = stored[i];
            const std::uint32_t want = wanted[i].second;
            if (value == want) continue;
            problem(field.path, field.offset, value,
                    hex(value) + (want == cf::none
                                      ? std::string(" but the image has no ") + field.json_key + " segment"
                                      : std::string(" is not ") + field.points_at + " (" + hex(want) + ")"));
        }
        const Segment* code = image_.find(cf::code_name);
        if (code == nullptr || !code->data) {
            problem("header.entry", cf::entry_offset, h.entry, "the image has no stored code segment");
        } else {
            std::uint64_t begin = place_of(code).data_offset;
            std::uint64_t end = begin + code->data->size();
            if (h.entry < begin || h.entry >= end) {
                problem("header.entry", cf::entry_offset, h.entry,
                        hex(h.entry) + " lies outside the code segment's data (" + hex(begin) + " to " +
                            hex(end) + ")");
            }
        }
    }

    // A row is its fields, each after a separator but the first, and a terminating zero.
    void check_libraries() {
        std::uint64_t row_offset = cf::library_table_offset;
        for (std::size_t i = 0; i < image_.libraries.size(); ++i) {
            const auto& row = image_.libraries[i];
            std::string where = "library[" + std::to_string(i) + "]";
            const std::uint64_t identifier = row_offset + row.file_name.size() + 1;
            const std::uint64_t major = identifier + row.identifier.size() + 1;
            const std::uint64_t minor = major + row.major_version.size() + 1;
            if (row.identifier.size() != cf::library_identifier_digits ||
                !all_of_chars(row.identifier, is_hex_char)) {
                problem(where + ".identifier", identifier, "not 32 hexadecimal digits");
            }
            if (!all_of_chars(row.major_version, is_digit_char))
                problem(where + ".major_version", major, "not a decimal number");
            if (!all_of_chars(row.minor_version, is_digit_char))
                problem(where + ".minor_version", minor, "not a decimal number");
            if (row.file_name.empty()) problem(where + ".file_name", row_offset, "empty");
            row_offset = minor + row.minor_version.size() + 1 + row.display_name.size() + 1;
        }
    }

    void check_segments() {
        std::set<std::string> seen;
        for (const auto& seg : image_.segments) {
            std::string where = "segment '" + seg.name + "'";
            if (!seen.insert(seg.name).second)
                problem(where, header_field(seg, cf::seg_name),
                        "appears more than once; only the first is used");
            if ((seg.flags & cf::flag_present) == 0)
                problem(where + ".flags", header_field(seg, cf::seg_flags), seg.flags,
                        hex(seg.flags) + " lacks 0x01");
            if (seg.memory_size < seg.stored_size()) {
                problem(where + ".memory_size", header_field(seg, cf::seg_memory_size), seg.memory_size,
                        hex(seg.memory_size) + " is smaller than the stored data (" + hex(seg.stored_size()) +
                            ")");
            }
            if (!seg.relocations.empty() && &seg != image_.find(cf::code_name)) {
                problem(where, header_field(seg, cf::seg_relocation_count), seg.relocations.size(),
                        "only the code segment has relocation entries");
            }
            check_flags(seg, where);
        }
        // A missing segment is placed at its entry of the header's table.
        for (std::size_t t = 0; t < cf::segment_table_count; ++t) {
            const char* name = cf::table_segment_names[t];
            if (name == std::string_view(cf::help_name) || image_.find(name) != nullptr) continue;
            problem(std::string("segment '") + name + "'", cf::segment_table_offset + 4 * t, "missing");
        }
    }

    // The flags say again what the header and the chain already say: whether data is stored,
    // whether the segment is the code.
    void check_flags(const Segment& seg, const std::string& where) {
        constexpr std::uint32_t known =
            cf::flag_present | cf::flag_writable | cf::flag_code | cf::flag_zero_fill;
        const std::string field = where + ".flags";
        const std::uint64_t at = header_field(seg, cf::seg_flags);
        const std::string flags = hex(seg.flags);
        if ((seg.flags & ~known) != 0)
            problem(field, at, seg.flags,
                    flags + " has bits no segment uses (" + hex(seg.flags & ~known) + ")");
        const bool zero_fill = (seg.flags & cf::flag_zero_fill) != 0;
        if (zero_fill && seg.data)
            problem(field, at, seg.flags,
                    flags + " says nothing is stored, but the segment stores " + hex(seg.stored_size()) +
                        " bytes");
        if (!zero_fill && !seg.data)
            problem(field, at, seg.flags, flags + " lacks 0x10, but the segment stores nothing");
        const bool is_code = &seg == image_.find(cf::code_name);
        if (is_code && (seg.flags & cf::flag_code) == 0)
            problem(field, at, seg.flags, flags + " lacks 0x04 on the code segment");
        if (!is_code && (seg.flags & cf::flag_code) != 0)
            problem(field, at, seg.flags, flags + " marks machine code outside the code segment");
    }

    void check_code_relocations() {
        if (code_ == nullptr) return;
        const Segment* cst = image_.find(cf::const_name);
        const Segment* var = image_.find(cf::var_name);
        for (std::size_t i = 0; i < code_->relocations.size(); ++i) {
            std::uint32_t entry = code_->relocations[i];
            std::string where = "code.relocation[" + std::to_string(i) + "]";
            const std::uint64_t entry_at =
                header_field(*code_, cf::seg_fixed_size) + i * cf::relocation_entry_size;
            auto r = decode_relocation(entry);
            if (!r) {
                problem(where, entry_at, entry,
                        "kind " + std::to_string(entry & 7) + " is not defined (0 to 3)");
                continue;
            }
            if (!fits_in_code(r->position)) {
                problem(where, entry_at, entry,
                        "position " + hex(r->position) + " leaves no room for 4 bytes in the code (" +
                            hex(code_size()) + " bytes)");
                continue;
            }
            patched_.push_back({r->position, where});
            std::uint32_t value = get_u32(*code_->data, r->position);
            std::uint64_t limit = 0;
            const char* target = nullptr;
            switch (r->kind) {
                case RelocationKind::helper_slot:
                    continue;
                case RelocationKind::constant:
                    limit = cst ? cst->stored_size() : 0;
                    target = "const data";
                    break;
                case RelocationKind::global:
                    limit = var ? var->memory_size : 0;
                    target = "var memory";
                    break;
                case RelocationKind::code:
                    limit = code_size();
                    target = "code";
                    break;
            }
            if (value >= limit) {
                problem(where, in_code(r->position), value,
                        "value " + hex(value) + " at " + hex(r->position) + " lies outside the " + target +
                            " (" + hex(limit) + " bytes)");
            }
        }
    }

    void check_reloc1() {
        const Segment* seg = image_.find(cf::reloc1_name);
        if (seg == nullptr) return;
        if (!seg->data) {
            problem("segment '@reloc1'", header_field(*seg, cf::seg_flags), seg->flags, "stores nothing");
            return;
        }
        auto lists = read_reloc1(*seg->data, place_of(seg).data_offset);
        if (!lists) {
            read_problem("@reloc1", lists.error());
            return;
        }
        reloc1_ = std::move(*lists);
        if (seg->memory_size != seg->stored_size()) {
            problem(
                "segment '@reloc1'.memory_size", header_field(*seg, cf::seg_memory_size), seg->memory_size,
                hex(seg->memory_size) + " is not the size of its lists (" + hex(seg->stored_size()) + ")");
        }
        // Each list is its count, then its positions.
        std::uint64_t list_at = place_of(seg).data_offset;
        for (std::size_t l = 0; l < reloc1_list_count; ++l) {
            const auto& list = reloc1_.lists[l];
            for (std::size_t i = 0; i < list.size(); ++i) {
                std::string where = "@reloc1.list" + std::to_string(l + 1) + "[" + std::to_string(i) + "]";
                const std::uint64_t position_at = list_at + 4 + 4 * i;
                if (i > 0 && list[i] <= list[i - 1])
                    problem(where, position_at, list[i], "positions are not in ascending order");
                if (!fits_in_code(list[i])) {
                    problem(where, position_at, list[i],
                            "position " + hex(list[i]) + " leaves no room for 4 bytes in the code (" +
                                hex(code_size()) + " bytes)");
                    continue;
                }
                patched_.push_back({list[i], where});
                std::uint32_t value = get_u32(*code_->data, list[i]);
                if (l == static_cast<std::size_t>(Reloc1List::library_numbers) &&
                    value >= image_.libraries.size()) {
                    problem(where, in_code(list[i]), value,
                            "library number " + std::to_string(value) + " has no row in the library table");
                }
                if (l == static_cast<std::size_t>(Reloc1List::type_words) && !is_unit_type_word(value)) {
                    problem(where, in_code(list[i]), value, hex(value) + " is not a unit type word");
                }
                if (l == static_cast<std::size_t>(Reloc1List::unit_ids))
                    unit_refs_.push_back({value, where, in_code(list[i])});
            }
            list_at += 4 + 4 * list.size();
        }
    }

    void check_form() {
        const Segment* seg = image_.find(cf::form_name);
        if (seg == nullptr || !seg->data) return;
        auto form = read_form(*seg->data, place_of(seg).data_offset);
        if (!form) {
            read_problem("form", form.error());
            return;
        }
        std::set<std::uint32_t> defined;
        std::uint32_t highest = 0;
        auto note_id = [&](std::uint32_t id) {
            defined.insert(id);
            highest = std::max(highest, unit_id_counter_bits(id));
        };
        auto check_handler = [&](std::uint64_t offset, const std::string& where) {
            if (offset >= code_size()) {
                problem(where, form_offset(), offset,
                        "handler " + hex(offset) + " lies outside the code (" + hex(code_size()) + " bytes)");
            }
        };
        for (const auto& window : form->windows) {
            note_id(window.id);
            highest = std::max(highest, unit_id_counter_bits(window.class_id));
            for (const auto& unit : window.units) {
                note_id(unit.id);
                std::string where = "form window " + hex(window.id) + " unit " + hex(unit.id);
                if (const auto* u = unit.unit()) {
                    for (const auto& b : u->bindings)
                        check_handler(b.handler, where + " event " + std::to_string(b.event));
                } else if (const auto* m = unit.menu_item()) {
                    if (auto h = m->selection_handler()) check_handler(*h, where + " selection");
                }
            }
        }
        check_identifiers(*form);
        for (const auto& window : form->windows) {
            check_parents(window);
            check_menu_run(window);
        }
        if (image_.header.id_counter < highest) {
            problem("header.id_counter", cf::id_counter_offset, image_.header.id_counter,
                    hex(image_.header.id_counter) + " is below the highest identifier's " + hex(highest));
        }
        for (const auto& ref : unit_refs_) {
            if (!defined.count(ref.id))
                problem(ref.where, ref.offset, ref.id,
                        "identifier " + hex(ref.id) + " is not defined in the form");
        }
    }

    // Identifiers are unique in the image, and so are their serial numbers, whatever the kind;
    // each identifier's kind agrees with the record's type.
    void check_identifiers(const FormData& form) {
        std::map<std::uint32_t, std::string> ids;
        std::map<std::uint16_t, std::uint32_t> serials;
        auto note = [&](std::uint32_t id, const std::string& where) {
            auto [at, fresh] = ids.emplace(id, where);
            if (!fresh) {
                problem(where, form_offset(), id, "identifier " + hex(id) + " is also " + at->second);
                return;
            }
            auto [s, new_serial] = serials.emplace(unit_id_serial(id), id);
            if (!new_serial)
                problem(where, form_offset(), id,
                        "serial number " + hex(unit_id_serial(id)) + " of " + hex(id) + " is also that of " +
                            hex(s->second));
        };
        std::set<std::uint32_t> classes;
        for (const auto& window : form.windows) {
            const std::string where = "form window " + hex(window.id);
            note(window.id, where);
            if (unit_id_kind(window.id) != UnitKind::window)
                problem(where, form_offset(), window.id, "not a window identifier");
            // Windows of one class may share its identifier.
            if (classes.insert(window.class_id).second) note(window.class_id, where + " class");
            for (std::size_t i = 0; i < window.units.size(); ++i) {
                const FormUnit& unit = window.units[i];
                const std::string uwhere = where + " unit " + hex(unit.id);
                note(unit.id, uwhere);
                const UnitKind want = i == 0                               ? UnitKind::self_unit
                                      : unit.type() == UnitType::menu_item ? UnitKind::menu_item
                                                                           : UnitKind::control;
                if (unit_id_kind(unit.id) != want) {
                    problem(uwhere, form_offset(), unit.id,
                            "identifier kind " + hex(unit_id_kind_byte(unit.id)) + " does not agree with a " +
                                std::string(unit_type_name(unit.type())) + " (" +
                                hex(static_cast<std::uint8_t>(want)) + ")");
                }
            }
        }
    }

    // A unit's parent is a group box of the same window that lists the unit among its children,
    // and every child a group box lists names that group box as its parent.
    void check_parents(const FormWindow& window) {
        const std::string where = "form window " + hex(window.id);
        for (const auto& unit : window.units) {
            const UnitRecord* record = unit.unit();
            if (record == nullptr) continue;
            const std::string uwhere = where + " unit " + hex(unit.id);
            if (record->parent != 0) {
                const FormUnit* parent = window.find_unit(record->parent);
                const std::string field = uwhere + ".parent";
                if (parent == nullptr) {
                    problem(field, form_offset(), record->parent,
                            hex(record->parent) + " is not a unit of this window");
                } else if (parent->type() != UnitType::group_box) {
                    problem(field, form_offset(), record->parent,
                            hex(record->parent) + " is not a group box");
                } else {
                    const auto& kids = parent->unit()->children;
                    if (std::find(kids.begin(), kids.end(), unit.id) == kids.end())
                        problem(field, form_offset(), record->parent,
                                "group box " + hex(record->parent) + " does not list it as a child");
                }
            }
            const std::string children = uwhere + ".children";
            if (!record->children.empty() && record->type != UnitType::group_box)
                problem(children, form_offset(), "only a group box has children");
            std::set<std::uint32_t> listed;
            for (std::uint32_t child : record->children) {
                if (!listed.insert(child).second) {
                    problem(children, form_offset(), child, hex(child) + " is listed twice");
                    continue;
                }
                const FormUnit* c = window.find_unit(child);
                if (c == nullptr || c->unit() == nullptr || c->unit()->parent != unit.id)
                    problem(children, form_offset(), child, hex(child) + " does not name it as its parent");
            }
        }
    }

    // The menu items stand in one unbroken run of the window's unit list.
    void check_menu_run(const FormWindow& window) {
        std::optional<std::size_t> first, last;
        std::size_t count = 0;
        for (std::size_t i = 0; i < window.units.size(); ++i) {
            if (window.units[i].type() != UnitType::menu_item) continue;
            if (!first) first = i;
            last = i;
            ++count;
        }
        if (first && *last - *first + 1 != count) {
            problem("form window " + hex(window.id) + " unit " + hex(window.units[*last].id), form_offset(),
                    window.units[*last].id, "the menu items are not one unbroken run of the unit list");
        }
    }

    void check_overlaps() {
        std::sort(patched_.begin(), patched_.end());
        for (std::size_t i = 1; i < patched_.size(); ++i) {
            if (patched_[i].first - patched_[i - 1].first < 4) {
                problem(patched_[i].second, in_code(patched_[i].first), patched_[i].first,
                        "position " + hex(patched_[i].first) + " overlaps " + patched_[i - 1].second +
                            " at " + hex(patched_[i - 1].first));
            }
        }
    }

    const Image& image_;
    ImageLayout layout_;
    const Segment* code_ = nullptr;
    Reloc1Lists reloc1_;
    std::vector<std::pair<std::uint32_t, std::string>> patched_;
    struct UnitReference {
        std::uint32_t id = 0;
        std::string where;
        std::uint64_t offset = 0;
    };
    std::vector<UnitReference> unit_refs_;
    std::vector<Error> problems_;
};

}  // namespace

std::vector<Error> verify_image(const Image& image) {
    return Verifier(image).run();
}

std::string verify_line(const Error& problem) {
    return problem.field + ": " + problem.reason;
}

}  // namespace tockly::image

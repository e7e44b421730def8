#include "host/core/image_loader.h"

#include <map>
#include <sstream>

#include "host/host_constants.h"
#include "image/container_format.h"
#include "image/form_reader.h"
#include "image/handler_stub.h"
#include "image/image_verify.h"

namespace tockly::host {

namespace {

using image::Error;
using image::make_error;
using image::RelocationKind;
namespace cf = image::container_format;

std::uint32_t u32_at(std::span<const std::uint8_t> code, std::uint64_t pos) {
    return static_cast<std::uint32_t>(code[pos]) | (static_cast<std::uint32_t>(code[pos + 1]) << 8) |
           (static_cast<std::uint32_t>(code[pos + 2]) << 16) |
           (static_cast<std::uint32_t>(code[pos + 3]) << 24);
}

std::map<std::uint32_t, RelocationKind> relocation_map(std::span<const std::uint32_t> entries) {
    std::map<std::uint32_t, RelocationKind> out;
    for (std::uint32_t e : entries) {
        auto r = image::decode_relocation(e);
        if (r) out[r->position] = r->kind;
    }
    return out;
}

// The helper slot a thunk at `target` jumps through (FF 25 <slot, relocated as a helper slot>).
std::optional<std::uint32_t> thunk_slot(std::span<const std::uint8_t> code,
                                        const std::map<std::uint32_t, RelocationKind>& relocs,
                                        std::uint64_t target) {
    if (target > code.size() || code.size() - target < 6) return std::nullopt;
    if (code[target] != 0xFF || code[target + 1] != 0x25) return std::nullopt;
    auto it = relocs.find(static_cast<std::uint32_t>(target + 2));
    if (it == relocs.end() || it->second != RelocationKind::helper_slot) return std::nullopt;
    return u32_at(code, target + 2);
}

class TableBinder final : public HandlerBinder {
  public:
    TableBinder(std::span<const std::uint8_t> code, std::uint64_t code_image_offset,
                std::span<const HandlerEntry> handlers)
        : code_(code), base_(code_image_offset), handlers_(handlers) {}

    image::Result<std::uint32_t> bind(std::uint32_t offset, std::uint32_t args,
                                      const std::string& where) const override {
        auto stub = image::decode_handler_stub(code_, offset);
        if (!stub) {
            return make_error(where, base_ + offset, offset,
                              "the handler offset does not hold a handler routine inside the code");
        }
        if (stub->handler_index >= handlers_.size()) {
            return make_error(where, base_ + offset, stub->handler_index,
                              "the handler routine names a handler the handler table does not have (" +
                                  std::to_string(handlers_.size()) + " entries)");
        }
        const HandlerEntry& entry = handlers_[stub->handler_index];
        if (stub->arg_count != entry.arg_count || stub->arg_count != args) {
            return make_error(where, base_ + offset, stub->arg_count,
                              std::string("argument count of the handler routine does not match: handler '") +
                                  (entry.name != nullptr ? entry.name : "?") + "' takes " +
                                  std::to_string(entry.arg_count) + ", the event passes " +
                                  std::to_string(args));
        }
        return stub->handler_index;
    }

  private:
    std::span<const std::uint8_t> code_;
    std::uint64_t base_;
    std::span<const HandlerEntry> handlers_;
};

}  // namespace

std::span<const std::uint8_t> LoadedImage::const_pool() const {
    const image::Segment* s = image.find(cf::const_name);
    if (s == nullptr || !s->data) return {};
    return *s->data;
}

image::Result<EntryFacts> decode_entry_routine(std::span<const std::uint8_t> code,
                                               std::span<const std::uint32_t> relocations,
                                               std::uint32_t entry) {
    const auto relocs = relocation_map(relocations);
    struct Push {
        std::uint32_t value;
        bool code_address;
    };
    std::vector<Push> pushes;
    EntryFacts facts;
    bool have_cleanup = false, have_window = false;
    std::uint64_t pos = entry;
    auto need = [&](std::uint64_t n) { return pos <= code.size() && code.size() - pos >= n; };
    auto fail = [&](const std::string& why) {
        return make_error("entry routine", pos, pos < code.size() ? code[pos] : 0, why);
    };
    for (int steps = 0; steps < 64; ++steps) {
        if (!need(1)) return fail("runs past the end of the code");
        const std::uint8_t op = code[pos];
        if (op == 0xFC) {  // cld
            pos += 1;
        } else if (op == 0xDB && need(2) && code[pos + 1] == 0xE3) {  // fninit
            pos += 2;
        } else if (op == 0x9B && need(3) && code[pos + 1] == 0xDB && code[pos + 2] == 0xE3) {  // finit
            pos += 3;
        } else if (op == 0x68 && need(5)) {  // push imm32
            auto it = relocs.find(static_cast<std::uint32_t>(pos + 1));
            pushes.push_back(
                {u32_at(code, pos + 1), it != relocs.end() && it->second == RelocationKind::code});
            pos += 5;
        } else if (op == 0x6A && need(2)) {  // push imm8
            pushes.push_back({static_cast<std::uint32_t>(static_cast<std::int8_t>(code[pos + 1])), false});
            pos += 2;
        } else if (op == 0x83 && need(3) && code[pos + 1] == 0xC4) {  // add esp, imm8
            pos += 3;
        } else if (op == 0xE8 && need(5)) {  // call rel32
            const std::int64_t target =
                static_cast<std::int64_t>(pos) + 5 + static_cast<std::int32_t>(u32_at(code, pos + 1));
            auto slot =
                target >= 0 ? thunk_slot(code, relocs, static_cast<std::uint64_t>(target)) : std::nullopt;
            if (slot) {
                if (*slot == slot::register_cleanup) {
                    if (pushes.size() < 2 || !pushes.back().code_address)
                        return fail("the clean-up routine is not passed as a code address");
                    facts.cleanup_offset = pushes.back().value;
                    facts.start_word = pushes[pushes.size() - 2].value;
                    pushes.resize(pushes.size() - 2);
                    have_cleanup = true;
                } else if (*slot == slot::create_start_window) {
                    if (pushes.empty()) return fail("no start-up window is passed");
                    facts.start_window = pushes.back().value;
                    pushes.pop_back();
                    have_window = true;
                } else if (*slot == slot::start_loop) {
                    if (!pushes.empty()) pushes.pop_back();
                } else if (*slot == slot::run_until_end) {
                    if (!have_cleanup) return fail("the clean-up routine is never registered");
                    if (!have_window) return fail("the start-up window is never created");
                    return facts;
                } else {
                    return fail("calls helper slot " + std::to_string(*slot) +
                                ", which the entry does not use");
                }
            }
            // Any other call is the image's initialisation routine: it hands the host nothing.
            pos += 5;
        } else {
            return fail("an instruction the entry sequence does not use");
        }
    }
    return fail("does not reach the end of the program");
}

image::Result<std::vector<std::uint32_t>> decode_cleanup_routine(std::span<const std::uint8_t> code,
                                                                 std::span<const std::uint32_t> relocations,
                                                                 std::uint32_t offset) {
    if (offset >= code.size()) return make_error("clean-up routine", offset, offset, "lies outside the code");
    if (code[offset] == 0xC3) return std::vector<std::uint32_t>{};
    // mov eax, [global]; test eax, eax; jz; push eax; call release ...
    const auto relocs = relocation_map(relocations);
    if (code[offset] == 0xA1 && code.size() - offset >= 5) {
        auto it = relocs.find(offset + 1);
        if (it != relocs.end() && it->second == RelocationKind::global)
            return std::vector<std::uint32_t>{u32_at(code, offset + 1)};
    }
    return make_error("clean-up routine", offset, code[offset], "not a routine that releases a text global");
}

image::Result<LoadedImage> load_image(std::span<const std::uint8_t> bytes,
                                      std::span<const HandlerEntry> handlers,
                                      const image::RelocationBases& bases) {
    TOCKLY_TRY(read, image::read_image_prefix(bytes));
    LoadedImage out;
    out.image = std::move(read.value().image);
    TOCKLY_TRY(layout, image::compute_layout(out.image));
    // Whatever `verify` finds wrong the host refuses too: an image that contradicts itself is
    // never run on a guess.
    const std::vector<image::Error> problems = image::verify_image(out.image);
    if (!problems.empty()) {
        std::string reason = image::verify_line(problems.front());
        if (problems.size() > 1) reason += " (and " + std::to_string(problems.size() - 1) + " more problems)";
        return make_error("image", 0, reason);
    }

    auto segment = [&](const char* name, bool with_data) -> image::Result<std::size_t> {
        for (std::size_t i = 0; i < out.image.segments.size(); ++i) {
            if (out.image.segments[i].name != name) continue;
            if (with_data && !out.image.segments[i].data)
                return make_error(std::string("segment '") + name + "'", layout->segments[i].header_offset,
                                  "stores no data");
            return i;
        }
        return make_error(std::string("segment '") + name + "'", 0, "the image has no such segment");
    };
    TOCKLY_TRY(code_i, segment(cf::code_name, true));
    TOCKLY_TRY(form_i, segment(cf::form_name, true));
    TOCKLY_TRY(var_i, segment(cf::var_name, false));
    TOCKLY_TRY(reloc_i, segment(cf::reloc1_name, true));

    const image::Segment& code_seg = out.image.segments[*code_i];
    const std::uint64_t code_at = layout->segments[*code_i].data_offset;
    const std::span<const std::uint8_t> code = *code_seg.data;

    TOCKLY_TRY(relocated, image::relocated_copy(code, code_seg.relocations, bases));
    out.code = std::move(relocated.value());

    auto reloc1 =
        image::read_reloc1(*out.image.segments[*reloc_i].data, layout->segments[*reloc_i].data_offset);
    if (!reloc1) return reloc1.error();
    out.reloc1 = std::move(reloc1.value());
    for (std::size_t l = 0; l < image::reloc1_list_count; ++l) {
        for (std::uint32_t pos : out.reloc1.lists[l]) {
            if (pos > code.size() || code.size() - pos < 4)
                return make_error(
                    std::string("@reloc1 list ") + image::reloc1_list_name(static_cast<image::Reloc1List>(l)),
                    layout->segments[*reloc_i].data_offset, pos, "position outside the code");
        }
    }

    TOCKLY_TRY(form,
               image::read_form(*out.image.segments[*form_i].data, layout->segments[*form_i].data_offset));
    out.form = std::move(form.value());

    TableBinder binder(code, code_at, handlers);
    TOCKLY_TRY(design, design_program(out.form, binder));
    out.design = std::move(design.value());

    const std::uint64_t entry = out.image.header.entry;
    if (entry < code_at || entry - code_at >= code.size())
        return make_error("header.entry", cf::entry_offset, entry,
                          "the entry routine does not lie in the code");
    TOCKLY_TRY(facts,
               decode_entry_routine(code, code_seg.relocations, static_cast<std::uint32_t>(entry - code_at)));
    if (out.design.find(facts->start_window) == nullptr)
        return make_error("entry routine", entry, facts->start_window,
                          "the start-up window is not in the form");
    TOCKLY_TRY(releases, decode_cleanup_routine(code, code_seg.relocations, facts->cleanup_offset));

    const image::Segment& var = out.image.segments[*var_i];
    out.cleanup_offset = facts->cleanup_offset;
    out.start.start_window = facts->start_window;
    out.start.cleanup_releases = std::move(releases.value());
    out.start.var_size = var.memory_size;
    for (std::uint32_t g : out.start.cleanup_releases) {
        if (g > var.memory_size || var.memory_size - g < 4)
            return make_error("clean-up routine", code_at + facts->cleanup_offset, g,
                              "releases a global outside the var data");
    }
    return out;
}

}  // namespace tockly::host

#include "app/tockly_image.h"

#include <string>
#include <vector>

#include "app/constants.h"
#include "app/form_design.h"
#include "app/handler_ids.h"
#include "app/units.h"
#include "image/const_pool.h"
#include "image/container_format.h"
#include "image/form_writer.h"
#include "image/handler_stub.h"
#include "image/relocation.h"
#include "image/routine_emitter.h"

namespace tockly::app {

namespace cf = image::container_format;

namespace {

// The value the entry routine hands the host beside the clean-up routine; the header carries it too.
constexpr std::uint32_t start_word = cf::usual_word_2c;
// The reminder message: the one text global, at the start of the var segment.
constexpr std::uint32_t reminder_global_offset = 0;
constexpr std::uint32_t var_size = 4;
constexpr std::uint32_t help_size = 52;

image::Segment stored_segment(const char* name, std::uint32_t flags, std::vector<std::uint8_t> data) {
    image::Segment s;
    s.name = name;
    s.flags = flags;
    s.memory_size = static_cast<std::uint32_t>(data.size());
    s.data = std::move(data);
    return s;
}

}  // namespace

image::Result<image::Image> build_tockly_image(std::span<const std::uint8_t> icon_bytes) {
    TOCKLY_TRY(pool, write_constant_pool(icon_bytes));

    image::RoutineEmitter emitter;
    const std::uint32_t init = emitter.emit_init_routine();
    const std::uint32_t cleanup = emitter.emit_cleanup_routine(reminder_global_offset);
    HandlerOffsets handlers;
    for (std::uint32_t i = 0; i < handler_count; ++i) {
        auto id = static_cast<HandlerId>(i);
        std::vector<std::uint8_t> stub;
        image::emit_handler_stub(stub, image::HandlerStub{i, handler_arg_count(id)});
        handlers[id] = emitter.append(stub);
    }
    const std::uint32_t entry = emitter.emit_entry_routine(init, cleanup, start_word, main_window_id);
    image::EmittedCode code = emitter.finish();

    image::Reloc1Lists reloc1;
    for (std::size_t i = 0; i < image::reloc1_list_count; ++i) reloc1.lists[i] = code.reloc1[i];

    image::Image img;
    img.header.word_28 = cf::usual_word_28;
    img.header.word_2c = start_word;
    img.header.id_counter = identifier_counter;
    img.libraries = {
        {"corlb", "5c1e7a90b43f11d2a8e0c4d7f3b9e218", "5", "0", "系统核心支持库"},
        {"thmlb", "A3C07D21E9F54b6c8D12F0B6E4A7C593", "2", "0", "XP风格界面支持库"},
    };

    img.segments.push_back(stored_segment(cf::const_name, cf::flag_present, std::move(pool.value())));
    img.segments.push_back(
        stored_segment(cf::form_name, cf::flag_present, image::write_form(tockly_form(handlers))));
    img.segments.push_back(
        stored_segment(cf::help_name, cf::flag_present, std::vector<std::uint8_t>(help_size, 0)));
    image::Segment code_segment =
        stored_segment(cf::code_name, cf::flag_present | cf::flag_code, std::move(code.bytes));
    code_segment.relocations = std::move(code.relocations);
    img.segments.push_back(std::move(code_segment));
    image::Segment var;
    var.name = cf::var_name;
    var.flags = cf::flag_present | cf::flag_writable | cf::flag_zero_fill;
    var.memory_size = var_size;
    img.segments.push_back(std::move(var));
    img.segments.push_back(stored_segment(cf::reloc1_name, cf::flag_present, image::write_reloc1(reloc1)));

    if (auto st = image::finalize_layout(img, entry); !st) return st.error();
    return img;
}

}  // namespace tockly::app

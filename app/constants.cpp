#include "app/constants.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <string>
#include <string_view>

#include "app/chime_sound.h"
#include "image/cursor.h"

namespace tockly::app {

namespace {

// The texts, GBK (the build compiles these literals to GBK), indexed by ConstId; null for the
// constants that are not texts.
constexpr std::array<const char*, const_count> text_of = {
    nullptr,                           // empty_array
    "\\data.ini",                      // data_file_name
    "表",                              // section_table
    "铃声",                            // key_ringtone
    "时表",                            // key_table
    "@",                               // row_terminator
    "",                                // empty_text
    "0",                               // zero
    ":",                               // colon
    "00:",                             // time_zero_minute
    "00",                              // time_zero_second
    "温馨提示",                        // name_reminder
    "运行程序",                        // name_program
    "定时关机",                        // name_shutdown
    "     温馨提示    ",               // label_reminder
    "     运行程序    ",               // label_program
    "     定时关机    ",               // label_shutdown
    "cmd /cstart ",                    // command_start
    "cmd /cshutdown -s -t 5",          // command_shutdown
    "取消报时",                        // chime_on_caption
    "整点报时",                        // chime_off_caption
    "1",                               // mode_chime
    "2",                               // mode_about
    "改",                              // modify_flag
    "请双击要修改的行！",              // select_row_prompt
    "＠",                              // fullwidth_at
    "\"\" \"",                         // quote_open
    "\"",                              // quote_close
    "闹钟提示: ",                      // reminder_prefix
    "现在时间: ",                      // time_prefix
    "Tockly 桌面闹钟 1.0 · 右键关闭",  // about_credits
    "Tockly",                          // tray_tip
    nullptr,                           // icon
    nullptr,                           // chime
};

static_assert(text_of[static_cast<std::uint32_t>(ConstId::tray_tip)] != nullptr &&
                  text_of[static_cast<std::uint32_t>(ConstId::chime)] == nullptr,
              "one text per ConstId, in ConstId order");

ConstKind kind_of(ConstId id) {
    switch (id) {
        case ConstId::empty_array:
            return ConstKind::array_init;
        case ConstId::icon:
        case ConstId::chime:
            return ConstKind::byte_set;
        default:
            return ConstKind::text;
    }
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::vector<std::uint8_t> byte_set_item(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> out;
    out.reserve(8 + bytes.size());
    put_u32(out, 1);
    put_u32(out, static_cast<std::uint32_t>(bytes.size()));
    out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
}

const char* const_name(ConstId id) {
    static constexpr std::array<const char*, const_count> names = {
        "empty_array",
        "data_file_name",
        "section_table",
        "key_ringtone",
        "key_table",
        "row_terminator",
        "empty_text",
        "zero",
        "colon",
        "time_zero_minute",
        "time_zero_second",
        "name_reminder",
        "name_program",
        "name_shutdown",
        "label_reminder",
        "label_program",
        "label_shutdown",
        "command_start",
        "command_shutdown",
        "chime_on_caption",
        "chime_off_caption",
        "mode_chime",
        "mode_about",
        "modify_flag",
        "select_row_prompt",
        "fullwidth_at",
        "quote_open",
        "quote_close",
        "reminder_prefix",
        "time_prefix",
        "about_credits",
        "tray_tip",
        "icon",
        "chime",
    };
    return names[static_cast<std::uint32_t>(id)];
}

struct Binding {
    bool bound = false;
    std::array<const std::uint8_t*, const_count> items{};
    std::array<std::uint32_t, const_count> offsets{};
};

Binding& binding() {
    static Binding b;
    return b;
}

std::string field_of(ConstId id) {
    return std::string("const.") + const_name(id);
}

}  // namespace

std::vector<Constant> constant_list(std::span<const std::uint8_t> icon_bytes) {
    std::vector<Constant> list;
    list.reserve(const_count);
    for (std::uint32_t i = 0; i < const_count; ++i) {
        const auto id = static_cast<ConstId>(i);
        Constant c{id, kind_of(id), {}};
        switch (id) {
            case ConstId::empty_array:
                put_u32(c.pool_bytes, 1);
                put_u32(c.pool_bytes, 0);
                break;
            case ConstId::icon:
                c.pool_bytes = byte_set_item(icon_bytes);
                break;
            case ConstId::chime:
                c.pool_bytes = byte_set_item(chime_wav());
                break;
            default: {
                const char* text = text_of[i];
                c.pool_bytes.assign(text, text + std::strlen(text) + 1);
            }
        }
        list.push_back(std::move(c));
    }
    return list;
}

image::Status bind_constants(std::span<const std::uint8_t> pool) {
    unbind_constants();
    Binding found;
    image::ReadCursor cursor(pool);
    const std::vector<std::uint8_t> chime = chime_wav();
    for (std::uint32_t i = 0; i < const_count; ++i) {
        const auto id = static_cast<ConstId>(i);
        const std::string field = field_of(id);
        const std::uint64_t at = cursor.position();
        found.items[i] = pool.data() + at;
        found.offsets[i] = static_cast<std::uint32_t>(at);
        switch (kind_of(id)) {
            case ConstKind::text: {
                auto text = cursor.nul_text(field);
                if (!text) return text.error();
                if (*text != text_of[i]) return image::make_error(field, at, "is not Tockly's text");
                break;
            }
            case ConstKind::array_init: {
                auto dims = cursor.u32(field + ".dimensions");
                if (!dims) return dims.error();
                auto size = cursor.u32(field + ".size");
                if (!size) return size.error();
                if (*dims != 1 || *size != 0)
                    return image::make_error(field, at, "is not the empty one-dimensional array");
                break;
            }
            case ConstKind::byte_set: {
                auto dims = cursor.u32(field + ".dimensions");
                if (!dims) return dims.error();
                if (*dims != 1)
                    return image::make_error(field + ".dimensions", at, *dims, "a byte set has one");
                auto length = cursor.u32(field + ".length");
                if (!length) return length.error();
                auto bytes = cursor.take(*length, field + ".bytes");
                if (!bytes) return bytes.error();
                if (id == ConstId::chime &&
                    !std::equal(bytes->begin(), bytes->end(), chime.begin(), chime.end()))
                    return image::make_error(field, at, "is not Tockly's chime sound");
                break;
            }
            case ConstKind::number:
                break;  // Tockly keeps no numbers in its pool
        }
    }
    if (!cursor.at_end())
        return image::make_error("const", cursor.position(), cursor.remaining(),
                                 "bytes follow the last of Tockly's constants");
    found.bound = true;
    binding() = found;
    return image::Ok{};
}

bool constants_bound() {
    return binding().bound;
}

void unbind_constants() {
    binding() = Binding{};
}

const char* k(ConstId id) {
    assert(binding().bound && kind_of(id) == ConstKind::text);
    return reinterpret_cast<const char*>(binding().items[static_cast<std::uint32_t>(id)]);
}

const void* pool_item(ConstId id) {
    assert(binding().bound && kind_of(id) != ConstKind::text);
    return binding().items[static_cast<std::uint32_t>(id)];
}

std::uint32_t pool_offset(ConstId id) {
    assert(binding().bound);
    return binding().offsets[static_cast<std::uint32_t>(id)];
}

}  // namespace tockly::app

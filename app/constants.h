// Tockly's constants: every text the handlers use, the empty array initialiser, the icon and the
// built-in chime sound. They are laid into the image's constant pool in the order of
// `constant_list()`, and at load `bind_constants()` finds each one in the loaded image's pool, so
// the handlers work on the image's own constants.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "image/result.h"

namespace tockly::app {

// Pool order: the image writer lays the constants out in exactly this order.
enum class ConstId : std::uint32_t {
    empty_array,        // array initialiser: one dimension of size 0
    data_file_name,     // "\data.ini"
    section_table,      // "表"
    key_ringtone,       // "铃声"
    key_table,          // "时表"
    row_terminator,     // "@"
    empty_text,         // ""
    zero,               // "0": the leading zero of a time part, and the reminder popup mode
    colon,              // ":"
    time_zero_minute,   // "00:"
    time_zero_second,   // "00"
    name_reminder,      // "温馨提示"
    name_program,       // "运行程序"
    name_shutdown,      // "定时关机"
    label_reminder,     // "     温馨提示    "
    label_program,      // "     运行程序    "
    label_shutdown,     // "     定时关机    "
    command_start,      // "cmd /cstart "
    command_shutdown,   // "cmd /cshutdown -s -t 5"
    chime_on_caption,   // "取消报时"
    chime_off_caption,  // "整点报时"
    mode_chime,         // "1"
    mode_about,         // "2"
    modify_flag,        // "改"
    select_row_prompt,  // "请双击要修改的行！"
    fullwidth_at,       // "＠"
    quote_open,         // "\"\" \"": empty title, then the opening quote of a path with blanks
    quote_close,        // "\""
    reminder_prefix,    // "闹钟提示: "
    time_prefix,        // "现在时间: "
    about_credits,      // the credits shown by About
    tray_tip,           // "Tockly"
    icon,               // byte set: the ICO file
    chime,              // byte set: the chime WAV
    count
};

inline constexpr std::uint32_t const_count = static_cast<std::uint32_t>(ConstId::count);

enum class ConstKind : std::uint8_t { text, number, byte_set, array_init };

struct Constant {
    ConstId id;
    ConstKind kind;
    // The item exactly as it lies in the pool: a text with its NUL; a byte set as u32 1, u32
    // length, then the bytes; an array initialiser as u32 dimensions, then one u32 size each.
    std::vector<std::uint8_t> pool_bytes;
};

// Every constant in pool order. The icon is the program's ICO file, read by the image writer.
std::vector<Constant> constant_list(std::span<const std::uint8_t> icon_bytes);

// Walks a loaded image's constant pool in the order of `constant_list()`: every text and the chime
// must be byte-equal to ours, the icon must be a well-formed byte set, and the pool must end after
// the last one. On success the handlers' constants point into `pool`, which must outlive every
// handler call. On failure nothing is bound and the error names the constant and its offset.
image::Status bind_constants(std::span<const std::uint8_t> pool);

bool constants_bound();
void unbind_constants();

// A bound text of the pool.
const char* k(ConstId id);
// A bound byte set or array initialiser of the pool (points at its first u32 word).
const void* pool_item(ConstId id);
// Offset of a bound constant from the start of the pool.
std::uint32_t pool_offset(ConstId id);

}  // namespace tockly::app

// Tockly's constants, each written once, in pool order: X(id, value). The enum `ConstId`, the
// image writer's pool, the names in errors and the binding at load all come from this one list.
//
// A value is one of:
//   text("...")    a text (the build compiles the literal to GBK); the pool keeps it with its NUL
//   empty_array()  an array initialiser of one dimension of size 0
//   icon_file()    a byte set: the program's ICO file, handed to the image writer
//   chime_sound()  a byte set: the built-in chime WAV
//
// Every constant must differ from the others: the pool stores equal constants once, and the
// handlers find each constant again at load by walking the pool in this order.
#pragma once

#include "tockly_version.h"

// clang-format off
#define TOCKLY_CONSTANTS(X)                                                                 \
    X(empty_array,       empty_array())                                                     \
    X(data_file_name,    text("\\data.ini"))                                                \
    X(section_table,     text("表"))                                                        \
    X(key_ringtone,      text("铃声"))                                                      \
    X(key_table,         text("时表"))                                                      \
    X(row_terminator,    text("@"))                                                         \
    X(empty_text,        text(""))                                                          \
    /* the leading zero of a time part, and the reminder popup mode */                     \
    X(zero,              text("0"))                                                         \
    X(colon,             text(":"))                                                         \
    X(time_zero_minute,  text("00:"))                                                       \
    X(time_zero_second,  text("00"))                                                        \
    X(name_reminder,     text("温馨提示"))                                                  \
    X(name_program,      text("运行程序"))                                                  \
    X(name_shutdown,     text("定时关机"))                                                  \
    X(label_reminder,    text("     温馨提示    "))                                         \
    X(label_program,     text("     运行程序    "))                                         \
    X(label_shutdown,    text("     定时关机    "))                                         \
    X(command_start,     text("cmd /cstart "))                                              \
    X(command_shutdown,  text("cmd /cshutdown -s -t 5"))                                    \
    X(chime_on_caption,  text("取消报时"))                                                  \
    X(chime_off_caption, text("整点报时"))                                                  \
    X(mode_chime,        text("1"))                                                         \
    X(mode_about,        text("2"))                                                         \
    X(modify_flag,       text("改"))                                                        \
    X(select_row_prompt, text("请双击要修改的行！"))                                        \
    X(fullwidth_at,      text("＠"))                                                        \
    /* an empty title, then the opening quote of a path with blanks */                     \
    X(quote_open,        text("\"\" \""))                                                   \
    X(quote_close,       text("\""))                                                        \
    X(reminder_prefix,   text("闹钟提示: "))                                                \
    X(time_prefix,       text("现在时间: "))                                                \
    /* the credits shown by About */                                                        \
    X(about_credits,     text("Tockly 桌面闹钟 " TOCKLY_VERSION " · 右键关闭"))             \
    X(tray_tip,          text("Tockly"))                                                    \
    X(icon,              icon_file())                                                       \
    X(chime,             chime_sound())
// clang-format on

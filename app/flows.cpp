#include "app/flows.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "app/constants.h"
#include "app/row_text.h"
#include "app/units.h"
#include "image/text_routines.h"

namespace tockly::app::flows {

namespace {
constexpr std::uint32_t reminder_message_slot = 0;  // the var segment's one text reference
// A row holds a time, a function's label and a message or path: some forty to sixty bytes.
constexpr std::size_t kUsualRowBytes = 64;
}  // namespace

OwnedText data_file_path(Host& host) {
    const OwnedText directory = calls::program_directory(host);
    return calls::concat(host, {directory.c_str(), k(ConstId::data_file_name)});
}

void save_table(Host& host) {
    // The value is built whole in the write buffer and written once, so the file never holds a
    // half-written table and a save costs one file replacement whatever the number of rows. The
    // rows are joined here and the buffer set once: appending them to it one by one would cost a
    // host call for every row and every terminator. What is written is the buffer's content,
    // which is exactly `value`: reading it back would only copy the whole table once more.
    const std::int32_t rows = calls::list_count(host, 列表框1);
    const std::string_view terminator = k(ConstId::row_terminator);
    std::string value;
    // Room for rows of a usual length up front: growing a table of megabytes step by step copies
    // it again at every step.
    value.reserve(static_cast<std::size_t>(rows > 0 ? rows : 0) * kUsualRowBytes);
    for (std::int32_t i = 0; i < rows; ++i) {
        const OwnedText row = calls::list_item_text(host, 列表框1, i);
        value.append(row.view()).append(terminator);
    }
    calls::set_text(host, 编辑框写表, value.c_str());
    const OwnedText path = data_file_path(host);
    calls::ini_write(host, path.c_str(), k(ConstId::section_table), k(ConstId::key_table), value.c_str());
}

OwnedText two_digits(Host& host, std::int32_t value, const char* suffix) {
    const OwnedText digits = calls::integer_to_text(host, value);
    if (value < 10) return calls::concat(host, {k(ConstId::zero), digits.c_str(), suffix});
    return calls::concat(host, {digits.c_str(), suffix});
}

OwnedText function_name(Host& host, const char* row) {
    return calls::middle_part(host, row, row_function_start, row_function_length);
}

OwnedText message_field(Host& host, const char* row, std::int32_t max_bytes) {
    OwnedText field = calls::middle_part(host, row, row_message_start, max_bytes);
    const std::size_t keep = gbk_cut_length(field.view(), static_cast<std::size_t>(max_bytes));
    if (keep < field.view().size()) field.get()[keep] = '\0';  // our own copy: shortened in place
    return field;
}

OwnedText message_field(Host& host, const char* row) {
    // The row's own length reaches past its end from the field's start, so nothing is left out.
    const std::size_t row_bytes = image::text_length(row);
    const auto count = static_cast<std::int32_t>(std::min<std::size_t>(row_bytes, INT32_MAX));
    return calls::middle_part(host, row, row_message_start, count);
}

void replace_reminder_message(Host& host, OwnedText message) {
    void** slot = host.global_slot(reminder_message_slot);
    OwnedText previous(host, static_cast<char*>(*slot));
    *slot = message.take();
}

const char* reminder_message(Host& host) {
    return static_cast<const char*>(*host.global_slot(reminder_message_slot));
}

}  // namespace tockly::app::flows

// Safe readers of a command's typed argument records. Index `i` is 0-based. A record that is
// missing (fewer records than asked for) reads like an omitted one. A record of the wrong type
// reads as the fallback; commands that must tell the two apart check arg_fits first and then
// answer their "nothing" result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "host/host.h"

namespace tockly::host {

using Args = std::span<const ArgRecord>;

// The record's type word; omitted (0) for a missing record.
std::uint32_t arg_type(Args args, std::size_t i);
bool arg_omitted(Args args, std::size_t i);
// The record has exactly this type.
bool arg_is(Args args, std::size_t i, std::uint32_t type);
// The record has this type, or is omitted or missing (the command takes its default).
bool arg_fits(Args args, std::size_t i, std::uint32_t type);

// Never null: omitted, missing, a null pointer or another type all read as "".
const char* arg_text(Args args, std::size_t i);
std::int32_t arg_int(Args args, std::size_t i, std::int32_t fallback = 0);
bool arg_logical(Args args, std::size_t i, bool fallback = false);
std::int64_t arg_date_time(Args args, std::size_t i, std::int64_t fallback = 0);
// The byte set's address (u32 1, u32 length, bytes), or null.
const void* arg_byte_set(Args args, std::size_t i);

struct UnitRef {
    std::uint32_t window = 0;
    std::uint32_t unit = 0;
    std::uint32_t type_number = 0;  // from the form data: 1 window, 5 edit box, 0x0f list box...
};
// Nothing unless the record is a unit reference.
std::optional<UnitRef> arg_unit(Args args, std::size_t i);

}  // namespace tockly::host

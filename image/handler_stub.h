// The shape of an event handler routine in the code segment of an image we write.
//
// Tockly's handlers are compiled into the host's handler module, not into the image; the image holds
// one small routine per handler, at the offset the form data binds, that names the handler by its
// index in the application's handler table and removes the event's arguments if called:
//
//     B8 ii ii ii ii      mov eax, <handler index>
//     C3                  ret                 (no arguments)
//  or C2 nn nn            ret <4 x arguments>
//
// A host binds a form's handler offset by decoding the routine there and checking the index and
// the argument count against its handler table.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tockly::image {

struct HandlerStub {
    std::uint32_t handler_index = 0;
    std::uint32_t arg_count = 0;  // 32-bit arguments the routine removes
};

// Appends the routine's bytes to `code`.
void emit_handler_stub(std::vector<std::uint8_t>& code, const HandlerStub& stub);

// Decodes the routine at `offset` of `code`; nothing when the bytes there are not such a routine
// (or run past the end of the code).
std::optional<HandlerStub> decode_handler_stub(std::span<const std::uint8_t> code, std::uint64_t offset);

}  // namespace tockly::image

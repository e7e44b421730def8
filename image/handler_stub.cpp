#include "image/handler_stub.h"

namespace tockly::image {

void emit_handler_stub(std::vector<std::uint8_t>& code, const HandlerStub& stub) {
    code.push_back(0xB8);
    for (int i = 0; i < 4; ++i) code.push_back(static_cast<std::uint8_t>(stub.handler_index >> (8 * i)));
    if (stub.arg_count == 0) {
        code.push_back(0xC3);
    } else {
        std::uint32_t bytes = stub.arg_count * 4;
        code.push_back(0xC2);
        code.push_back(static_cast<std::uint8_t>(bytes));
        code.push_back(static_cast<std::uint8_t>(bytes >> 8));
    }
}

std::optional<HandlerStub> decode_handler_stub(std::span<const std::uint8_t> code, std::uint64_t offset) {
    if (offset > code.size() || code.size() - offset < 6) return std::nullopt;
    const std::uint8_t* p = code.data() + offset;
    if (p[0] != 0xB8) return std::nullopt;
    HandlerStub stub;
    stub.handler_index = static_cast<std::uint32_t>(p[1]) | (static_cast<std::uint32_t>(p[2]) << 8) |
                         (static_cast<std::uint32_t>(p[3]) << 16) | (static_cast<std::uint32_t>(p[4]) << 24);
    if (p[5] == 0xC3) return stub;
    if (p[5] != 0xC2 || code.size() - offset < 8) return std::nullopt;
    std::uint32_t bytes = static_cast<std::uint32_t>(p[6]) | (static_cast<std::uint32_t>(p[7]) << 8);
    if (bytes == 0 || bytes % 4 != 0) return std::nullopt;
    stub.arg_count = bytes / 4;
    return stub;
}

}  // namespace tockly::image

// Owners of what the host hands back: a text or a text array returned by a command or a property
// read belongs to the receiver and must be released exactly once. These owners make that the
// default: the block goes back through Host::release when the owner goes out of scope.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "host/host.h"
#include "image/text_routines.h"

namespace tockly::host {

class OwnedText {
  public:
    OwnedText(Host& host, char* text) : host_(&host), text_(text) {}
    // Takes a command or property result (a pointer in the low bits of the 64-bit value).
    OwnedText(Host& host, std::uint64_t result)
        : OwnedText(host, reinterpret_cast<char*>(static_cast<std::uintptr_t>(result))) {}
    OwnedText(const OwnedText&) = delete;
    OwnedText& operator=(const OwnedText&) = delete;
    OwnedText(OwnedText&& other) noexcept : host_(other.host_), text_(std::exchange(other.text_, nullptr)) {}
    OwnedText& operator=(OwnedText&& other) noexcept {
        if (this != &other) {
            reset();
            host_ = other.host_;
            text_ = std::exchange(other.text_, nullptr);
        }
        return *this;
    }
    ~OwnedText() { reset(); }

    // Never null: a null text reads as the empty text.
    const char* c_str() const { return text_ != nullptr ? text_ : ""; }
    std::string_view view() const { return {c_str(), image::text_length(text_)}; }
    char* get() const { return text_; }
    bool is_null() const { return text_ == nullptr; }

    // Gives up ownership without releasing.
    char* take() { return std::exchange(text_, nullptr); }
    void reset() {
        if (text_ != nullptr) host_->release(std::exchange(text_, nullptr));
    }

  private:
    Host* host_;
    char* text_;
};

// A text array: u32 number of dimensions (1), u32 element count, then one text pointer per
// element, each owned by the array. Releasing it releases every non-null element, then the block.
class OwnedTextArray {
  public:
    OwnedTextArray(Host& host, void* block) : host_(&host), block_(block) {}
    OwnedTextArray(Host& host, std::uint64_t result)
        : OwnedTextArray(host, reinterpret_cast<void*>(static_cast<std::uintptr_t>(result))) {}
    OwnedTextArray(const OwnedTextArray&) = delete;
    OwnedTextArray& operator=(const OwnedTextArray&) = delete;
    OwnedTextArray(OwnedTextArray&& other) noexcept
        : host_(other.host_), block_(std::exchange(other.block_, nullptr)) {}
    OwnedTextArray& operator=(OwnedTextArray&& other) noexcept {
        if (this != &other) {
            reset();
            host_ = other.host_;
            block_ = std::exchange(other.block_, nullptr);
        }
        return *this;
    }
    ~OwnedTextArray() { reset(); }

    std::uint64_t size() const { return image::array_elements(block_).count; }
    // 0-based; a null element (or an index past the end) reads as the empty text.
    const char* at(std::uint64_t index) const {
        if (index >= size()) return "";
        const char* text = element(index);
        return text != nullptr ? text : "";
    }
    void* get() const { return block_; }
    void* take() { return std::exchange(block_, nullptr); }

    void reset() {
        if (block_ == nullptr) return;
        const std::uint64_t count = size();
        for (std::uint64_t i = 0; i < count; ++i) {
            if (char* text = element(i)) host_->release(text);
        }
        host_->release(std::exchange(block_, nullptr));
    }

  private:
    char* element(std::uint64_t index) const {
        char* text;
        std::memcpy(&text, image::array_elements(block_).first + index * sizeof(char*), sizeof(char*));
        return text;
    }

    Host* host_;
    void* block_;
};

// A new host text holding `bytes` and a NUL, owned by the caller; null when allocation fails.
inline char* new_text(Host& host, std::string_view bytes) {
    if (bytes.size() >= 0xFFFFFFFFu) return nullptr;
    auto* out = static_cast<char*>(host.allocate(static_cast<std::uint32_t>(bytes.size() + 1)));
    if (out == nullptr) return nullptr;
    if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
    out[bytes.size()] = '\0';
    return out;
}

}  // namespace tockly::host

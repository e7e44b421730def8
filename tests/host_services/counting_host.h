// A host whose memory is a CountingAllocator and that knows no commands: enough to exercise the
// owners of returned texts.
#pragma once

#include <cstdlib>

#include "host/core/text_memory.h"
#include "host/host.h"

namespace tockly::host {

class CountingHost final : public Host {
  public:
    std::uint64_t call_core(std::uint32_t, std::span<const ArgRecord>) override { return 0; }
    std::uint64_t call_library(std::uint32_t, std::uint32_t, std::span<const ArgRecord>) override {
        return 0;
    }
    std::uint64_t read_property(std::uint32_t, std::uint32_t, std::uint32_t, std::int32_t) override {
        return 0;
    }
    void write_property(std::uint32_t, std::uint32_t, std::uint32_t, std::int32_t, std::uintptr_t,
                        std::uint32_t) override {}
    void* allocate(std::uint32_t size) override { return memory.allocate(size); }
    void release(void* block) override { memory.release(block); }
    [[noreturn]] void fatal(std::uint32_t) override { std::abort(); }
    void** global_slot(std::uint32_t) override { return &global; }

    CountingAllocator memory;
    void* global = nullptr;
};

}  // namespace tockly::host

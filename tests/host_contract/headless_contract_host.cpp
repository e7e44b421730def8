// The headless host under the contract suite.
#include <filesystem>
#include <fstream>
#include <random>

#include "host/core/file_system_posix.h"
#include "host/core/image_loader.h"
#include "host/core/ini_store.h"
#include "host/core/runtime.h"
#include "host/core/text_memory.h"
#include "host/headless/headless_files.h"
#include "host/headless/headless_window_system.h"
#include "tests/host_contract/contract_host.h"
#include "tests/host_contract/contract_program.h"

namespace tockly::contract {

namespace {

class HeadlessContractHost final : public ContractHost {
  public:
    HeadlessContractHost()
        : dir_(make_dir()),
          windows_(clock_, dir_.string()),
          files_(posix_, windows_),
          ini_(files_),
          bytes_(make_image()),
          loaded_(
              host::load_image(bytes_, handler_table(), {0x10000000, 0x20000000, 0x30000000, 0x40000000})) {
        reset_program();
        runtime_ = std::make_unique<host::Runtime>(loaded_->design, handler_table(), loaded_->start, windows_,
                                                   clock_, memory_, ini_);
        windows_.attach(*runtime_);
    }
    ~HeadlessContractHost() override {
        runtime_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        reset_program();
    }

    void start() override { runtime_->start(); }
    host::Host& host() override { return *runtime_; }
    void advance_ms(std::int64_t ms) override { windows_.advance(ms); }
    void right_click(std::uint32_t window_id) override {
        if (auto* w = runtime_->newest(window_id)) runtime_->right_click(*w);
    }
    bool is_open(std::uint32_t window_id) override { return runtime_->newest(window_id) != nullptr; }
    std::uint64_t live_blocks() override { return memory_.live_blocks(); }
    std::uint64_t bad_releases() override { return memory_.problems().size(); }
    std::string program_directory() override { return windows_.directory(); }
    void put_program_file(const std::string& name, const std::string& bytes) override {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }

  private:
    static std::filesystem::path make_dir() {
        std::random_device rd;
        auto dir = std::filesystem::temp_directory_path() / ("tockly-contract-" + std::to_string(rd()));
        std::filesystem::create_directories(dir);
        return dir;
    }

    std::filesystem::path dir_;
    host::headless::VirtualClock clock_{1781000000000};  // a June day of 2026, mid-morning
    host::headless::HeadlessWindowSystem windows_;
    host::PosixFileSystem posix_;
    host::headless::HeadlessFiles files_;
    host::IniStore ini_;
    host::CountingAllocator memory_;
    std::vector<std::uint8_t> bytes_;
    image::Result<host::LoadedImage> loaded_;
    std::unique_ptr<host::Runtime> runtime_;
};

}  // namespace

std::unique_ptr<ContractHost> make_contract_host() {
    return std::make_unique<HeadlessContractHost>();
}

}  // namespace tockly::contract

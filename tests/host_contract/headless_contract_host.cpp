// The headless host under the contract suite.
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "host/headless/headless_program.h"
#include "tests/host_contract/contract_host.h"
#include "tests/host_contract/contract_program.h"

namespace tockly::contract {

namespace {

class HeadlessContractHost final : public ContractHost {
  public:
    HeadlessContractHost() : dir_(make_dir()) {
        reset_program();
        auto loaded =
            host::headless::HeadlessProgram::load(make_image(), handler_table(), kStart, dir_.string());
        if (!loaded) throw std::runtime_error("the contract image is refused: " + loaded.error().message());
        program_ = std::move(loaded).value();
    }
    ~HeadlessContractHost() override {
        program_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        reset_program();
    }

    void start() override { runtime().start(); }
    host::Host& host() override { return runtime(); }
    void advance_ms(std::int64_t ms) override { program_->windows().advance(ms); }
    void right_click(std::uint32_t window_id) override {
        if (auto* w = runtime().newest(window_id)) runtime().right_click(*w);
    }
    bool is_open(std::uint32_t window_id) override { return runtime().newest(window_id) != nullptr; }
    std::uint64_t live_blocks() override { return program_->memory().live_blocks(); }
    std::uint64_t bad_releases() override { return program_->memory().problems().size(); }
    std::string program_directory() override { return program_->windows().directory(); }
    void put_program_file(const std::string& name, const std::string& bytes) override {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }

  private:
    static constexpr std::int64_t kStart = 1781000000000;  // a June day of 2026, mid-morning

    host::Runtime& runtime() { return program_->runtime(); }
    static std::filesystem::path make_dir() {
        std::random_device rd;
        auto dir = std::filesystem::temp_directory_path() / ("tockly-contract-" + std::to_string(rd()));
        std::filesystem::create_directories(dir);
        return dir;
    }

    std::filesystem::path dir_;
    std::unique_ptr<host::headless::HeadlessProgram> program_;
};

}  // namespace

std::unique_ptr<ContractHost> make_contract_host() {
    return std::make_unique<HeadlessContractHost>();
}

}  // namespace tockly::contract

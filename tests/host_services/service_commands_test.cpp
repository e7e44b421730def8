#include "host/core/service_commands.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/arg_records.h"
#include "host/core/text_commands.h"
#include "host/owned_text.h"

namespace tockly::host {
namespace {

class OneFile final : public FileSystem {
  public:
    using FileSystem::read_file;
    void read_file(const std::string&, FileRead& into) override {
        into = bytes.empty() ? FileRead{} : FileRead{FileRead::Status::ok, bytes};
    }
    bool replace_file(const std::string&, std::span<const std::string_view> pieces) override {
        bytes.clear();
        append_pieces(bytes, pieces);
        return true;
    }
    void remove_stale_temporaries(const std::string&) override {}
    std::string bytes;
};

class AtNoon final : public Clock {
  public:
    std::int64_t now_local_ms() override { return make_date_time(2024, 5, 1, 12, 0, 0); }
};

TEST(ServiceCommands, EachFamilyIsReachedAndOtherCommandsAreLeftToTheHost) {
    CountingAllocator memory;
    AtNoon clock;
    OneFile file;
    IniStore ini(file);
    CoreServices services{memory, clock, ini};
    auto call = [&](std::uint32_t command, std::vector<ArgRecord> args) {
        return call_service_command(services, command, args);
    };
    char* text =
        reinterpret_cast<char*>(static_cast<std::uintptr_t>(*call(command::integer_to_text, {int_arg(12)})));
    EXPECT_STREQ(text, "12");
    memory.release(text);
    const auto now = call(command::now, {});
    EXPECT_EQ(call(command::hour_of, {date_time_arg(static_cast<std::int64_t>(*now))}), 12u);
    EXPECT_EQ(call(command::ini_write, {text_arg("data.ini"), text_arg("s"), text_arg("k"), text_arg("v")}),
              1u);
    EXPECT_EQ(file.bytes, "[s]\r\nk=v\r\n");
    for (std::uint32_t other : {command::program_directory, command::list_append, command::open_window, 0u}) {
        EXPECT_FALSE(call(other, {}).has_value()) << other;
    }
    EXPECT_TRUE(memory.balanced());
}

// The family switch lists each service's commands again: a command it sends to one part must be
// one that part answers, and no other part may answer it.
TEST(ServiceCommands, EachCommandsFamilyIsThePartThatAnswersIt) {
    CountingAllocator memory;  // results are not released: its end frees what is left
    AtNoon clock;
    OneFile file;
    IniStore ini(file);
    for (std::uint32_t command = 0; command < 0x1000; ++command) {
        const CommandFamily family = command_family(command);
        EXPECT_EQ(call_text_command(memory, command, {}).has_value(), family == CommandFamily::text)
            << command;
        EXPECT_EQ(call_date_time_command(clock, command, {}).has_value(), family == CommandFamily::date_time)
            << command;
        EXPECT_EQ(call_ini_command(ini, memory, command, {}).has_value(), family == CommandFamily::ini)
            << command;
    }
}

}  // namespace
}  // namespace tockly::host

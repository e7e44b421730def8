// What the host contract suite needs of a host beyond host::Host: start the contract program,
// let time pass, give user input, and count text memory. Each host under test provides
// make_contract_host(); the suite itself uses nothing else, so it builds for any host.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/host.h"

namespace tockly::contract {

class ContractHost {
  public:
    virtual ~ContractHost() = default;
    // Runs the entry sequence of the contract program up to its event loop: the main window is
    // open and its creation handler has run.
    virtual void start() = 0;
    virtual host::Host& host() = 0;
    // Lets `ms` milliseconds pass, delivering the timers that fall due.
    virtual void advance_ms(std::int64_t ms) = 0;
    // The user presses the right mouse button on the newest opening of the window.
    virtual void right_click(std::uint32_t window_id) = 0;
    virtual bool is_open(std::uint32_t window_id) = 0;
    // Text blocks handed out and not yet released; releases of blocks that were not live.
    virtual std::uint64_t live_blocks() = 0;
    virtual std::uint64_t bad_releases() = 0;
    // The folder the program-directory command answers, as the host's own text.
    virtual std::string program_directory() = 0;
    // Puts a file named `name` holding `bytes` into that folder (gone with the host).
    virtual void put_program_file(const std::string& name, const std::string& bytes) = 0;
};

std::unique_ptr<ContractHost> make_contract_host();

}  // namespace tockly::contract

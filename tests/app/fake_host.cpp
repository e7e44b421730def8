#include "fake_host.h"

#include <cstdlib>
#include <cstring>

#include "app/constants.h"
#include "app/handler_ids.h"
#include "app/handler_table.h"

namespace tockly::app::testing {

namespace hc = host::command;

namespace {

const char* arg_text(std::span<const host::ArgRecord> args, std::size_t i) {
    if (i >= args.size() || args[i].type != host::type_word::text) return "";
    return reinterpret_cast<const char*>(args[i].low);
}
std::int32_t arg_int(std::span<const host::ArgRecord> args, std::size_t i) {
    return i < args.size() ? static_cast<std::int32_t>(args[i].low) : 0;
}
std::int64_t arg_time(std::span<const host::ArgRecord> args, std::size_t i) {
    return static_cast<std::int64_t>(std::uint64_t{args[i].high} << 32 |
                                     static_cast<std::uint32_t>(args[i].low));
}
std::uint32_t arg_unit(std::span<const host::ArgRecord> args, std::size_t i) {
    return args[i].high;
}

void check_data_file(std::span<const host::ArgRecord> args) {
    if (std::string(arg_text(args, 0)) != "C:\\tockly\\data.ini" || std::string(arg_text(args, 1)) != "表")
        throw std::runtime_error(std::string("not data.ini's table section: ") + arg_text(args, 0));
}

void run(host::Host& h, HandlerId id) {
    handler_table()[static_cast<std::uint32_t>(id)].fn(h, nullptr);
}

}  // namespace

FakeHost::FakeHost() {
    set_text(标签9, "反馈提示");
    set_text(标签10, "反馈提示");
    set_text(编辑框索引, "现行索引");
    set_text(编辑框1, "---- 填写提示信息！----");
    set_text(编辑框2, "---- 选择要运行的程序 ----");
    set_text(编辑框3, "时间到达后将在5秒后关机！");
    set_number(单选框1, host::property::checked, 1);
    set_number(选择框1, host::property::checked, 1);
    set_number(列表框1, host::property::list_selection, -1);
}

FakeHost::~FakeHost() {
    if (global != nullptr) release(global);
    for (void* p : live_) std::free(p);
}

std::string FakeHost::text(const Unit& u, std::uint32_t index) const {
    auto it = texts.find({u.id, index});
    return it == texts.end() ? std::string() : it->second;
}

std::int32_t FakeHost::number(const Unit& u, std::uint32_t index) const {
    auto it = ints.find({u.id, index});
    return it == ints.end() ? 0 : it->second;
}

void* FakeHost::allocate(std::uint32_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    live_.insert(p);
    return p;
}

void FakeHost::release(void* block) {
    if (block == nullptr) return;
    if (live_.erase(block) == 0) {
        ++bad_releases;
        return;
    }
    std::free(block);
}

std::uint64_t FakeHost::new_text(const std::string& s) {
    auto* p = static_cast<char*>(allocate(static_cast<std::uint32_t>(s.size() + 1)));
    std::memcpy(p, s.c_str(), s.size() + 1);
    return reinterpret_cast<std::uintptr_t>(p);
}

std::uint64_t FakeHost::read_property(std::uint32_t, std::uint32_t unit, std::uint32_t index, std::int32_t) {
    if (auto it = texts.find({unit, index}); it != texts.end()) return new_text(it->second);
    if (auto it = ints.find({unit, index}); it != ints.end()) return static_cast<std::uint32_t>(it->second);
    // A text property never written reads as a null text, a number as 0.
    return 0;
}

void FakeHost::write_property(std::uint32_t, std::uint32_t unit, std::uint32_t index, std::int32_t element,
                              std::uintptr_t low, std::uint32_t) {
    const bool is_text = index == host::property::label_caption && unit != 时钟2.id;
    const bool is_caption = index == host::property::check_caption && unit == 选择框1.id;
    if ((is_text || is_caption) && element == host::property::whole) {
        texts[{unit, index}] = reinterpret_cast<const char*>(low);
    } else {
        ints[{unit, index + (element > 0 ? 0x100u * static_cast<std::uint32_t>(element) : 0u)}] =
            static_cast<std::int32_t>(low);
    }
    if (unit == 标签.id || unit == 时钟2.id) {
        effects.push_back("popup " + std::to_string(index) + "/" + std::to_string(element) + " = " +
                          (is_text ? std::string(reinterpret_cast<const char*>(low)) : std::to_string(low)));
    }
}

std::uint64_t FakeHost::call_library(std::uint32_t library, std::uint32_t command,
                                     std::span<const host::ArgRecord> args) {
    effects.push_back("library " + std::to_string(library) + "/" + std::to_string(command) + "(" +
                      std::to_string(arg_int(args, 0)) + ")");
    return 0;
}

std::uint64_t FakeHost::call_core(std::uint32_t command, std::span<const host::ArgRecord> args) {
    for (const auto& a : args)
        if (a.type == host::type_word::text && a.low == 0)
            throw std::runtime_error("null text handed to the host");
    switch (command) {
        case hc::program_directory:
            return new_text("C:\\tockly");
        case hc::left_part:
            return new_text(std::string(arg_text(args, 0))
                                .substr(0, static_cast<std::size_t>(std::max(0, arg_int(args, 1)))));
        case hc::middle_part: {
            const std::string t = arg_text(args, 0);
            const auto start = static_cast<std::size_t>(arg_int(args, 1) - 1);
            return new_text(start >= t.size() ? ""
                                              : t.substr(start, static_cast<std::size_t>(arg_int(args, 2))));
        }
        case hc::integer_to_text:
            return new_text(std::to_string(arg_int(args, 0)));
        case hc::to_integer:
            return static_cast<std::uint32_t>(std::atoi(arg_text(args, 0)));
        case hc::split_text: {
            const std::string t = arg_text(args, 0), sep = arg_text(args, 1);
            std::vector<std::string> pieces;
            for (std::size_t from = 0; from < t.size();) {
                const std::size_t at = t.find(sep, from);
                pieces.push_back(t.substr(from, at == std::string::npos ? std::string::npos : at - from));
                from = at == std::string::npos ? t.size() : at + sep.size();
            }
            auto* block = static_cast<std::uint8_t*>(
                allocate(static_cast<std::uint32_t>(8 + pieces.size() * sizeof(char*))));
            const std::uint32_t head[2] = {1, static_cast<std::uint32_t>(pieces.size())};
            std::memcpy(block, head, 8);
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                char* p = reinterpret_cast<char*>(new_text(pieces[i]));
                std::memcpy(block + 8 + i * sizeof(char*), &p, sizeof p);
            }
            return reinterpret_cast<std::uintptr_t>(block);
        }
        case hc::now:
            return static_cast<std::uint64_t>(clock_ms);
        case hc::add_to_date_time:
            return static_cast<std::uint64_t>(arg_time(args, 0) + std::int64_t{arg_int(args, 2)} * 60000);
        case hc::hour_of:
            return static_cast<std::uint64_t>(arg_time(args, 0) / 3600000 % 24);
        case hc::minute_of:
            return static_cast<std::uint64_t>(arg_time(args, 0) / 60000 % 60);
        case hc::second_of:
            return static_cast<std::uint64_t>(arg_time(args, 0) / 1000 % 60);
        case hc::run_command_line:
            effects.push_back(std::string("run ") + arg_text(args, 0));
            return 0;
        case hc::message_box:
            effects.push_back(std::string("message ") + arg_text(args, 0));
            return 0;
        case hc::play_sound_data:
            effects.push_back("play chime repeat=" + std::to_string(arg_int(args, 1)));
            return 0;
        case hc::stop_sound:
            effects.push_back("stop sound");
            return 0;
        case hc::play_mp3: {
            const bool ok = playable_mp3.count(arg_text(args, 1)) != 0;
            effects.push_back(std::string("mp3 ") + arg_text(args, 1) + (ok ? " playing" : " failed"));
            return ok ? 1 : 0;
        }
        case hc::open_window:
            effects.push_back(std::string("open popup") + (arg_int(args, 2) ? " modal" : ""));
            run(*this, HandlerId::on_popup_created);
            return 0;
        case hc::close_window:
            effects.push_back(arg_unit(args, 0) == 主窗口.id ? "close main" : "close popup");
            if (arg_unit(args, 0) == 弹出窗口.id) run(*this, HandlerId::on_popup_destroy);
            return 0;
        case hc::set_focus:
            effects.push_back("focus " + std::to_string(arg_unit(args, 0)));
            return 0;
        case hc::popup_menu:
            effects.push_back("menu");
            return 0;
        case hc::open_file_dialog:
            effects.push_back("dialog " + std::to_string(arg_unit(args, 0)));
            if (next_dialog_chosen)
                texts[{arg_unit(args, 0), host::property::dialog_file_name}] = next_dialog_file;
            return next_dialog_chosen ? 1 : 0;
        case hc::combo_item_text: {
            const int i = arg_int(args, 1);
            const int count = arg_unit(args, 0) == 组合框1.id ? 24 : 60;
            if (i < 0 || i >= count) return new_text("");
            const int value = i == count - 1 ? 0 : i + 1;
            return new_text(std::string(1, static_cast<char>('0' + value / 10)) +
                            static_cast<char>('0' + value % 10));
        }
        case hc::list_count:
            return rows.size();
        case hc::list_item_text: {
            const int i = arg_int(args, 1);
            return new_text(i < 0 || i >= static_cast<int>(rows.size()) ? ""
                                                                        : rows[static_cast<std::size_t>(i)]);
        }
        case hc::list_append:
            rows.push_back(arg_text(args, 1));
            return 0;
        case hc::list_insert: {
            const int i = arg_int(args, 1);
            if (i >= 0 && i <= static_cast<int>(rows.size()))
                rows.insert(rows.begin() + i, arg_text(args, 2));
            return 0;
        }
        case hc::list_delete: {
            const int i = arg_int(args, 1);
            if (i >= 0 && i < static_cast<int>(rows.size())) rows.erase(rows.begin() + i);
            return 0;
        }
        case hc::edit_append:
            texts[{arg_unit(args, 0), 8}] += arg_text(args, 1);
            return 0;
        case hc::ini_read:
            check_data_file(args);
            return new_text(ini[arg_text(args, 2)]);
        case hc::ini_write:
            check_data_file(args);
            ++ini_writes;
            ini[arg_text(args, 2)] = arg_text(args, 3);
            return 0;
        case hc::set_tray_icon:
            effects.push_back(std::string("tray ") + arg_text(args, 2));
            return 0;
        default:
            throw std::runtime_error("command not faked: " + std::to_string(command));
    }
}

BoundConstants::BoundConstants() {
    const std::vector<std::uint8_t> icon = {0, 0, 1, 0};
    for (const auto& c : constant_list(icon))
        pool_.insert(pool_.end(), c.pool_bytes.begin(), c.pool_bytes.end());
    if (!bind_constants(pool_).ok()) throw std::runtime_error("constants did not bind");
}

BoundConstants::~BoundConstants() {
    unbind_constants();
}

}  // namespace tockly::app::testing

#include "programs/headless-tockly/headless_tockly.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "app/constants.h"
#include "app/handler_table.h"
#include "app/tockly_image.h"

namespace tockly::harness {

namespace {

std::string time_text(int second_of_day) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", second_of_day / 3600 % 24, second_of_day / 60 % 60,
                  second_of_day % 60);
    return text;
}

}  // namespace

std::string program_row(int second_of_day, const std::string& path) {
    tockly_image();  // binds the constants
    return time_text(second_of_day) + app::k(app::ConstId::label_program) + path;
}

std::string reminder_row(int second_of_day, const std::string& message) {
    tockly_image();
    return time_text(second_of_day) + app::k(app::ConstId::label_reminder) + message;
}

std::string data_file(const std::vector<std::string>& rows) {
    tockly_image();
    std::string out = std::string("[") + app::k(app::ConstId::section_table) + "]\r\n" +
                      app::k(app::ConstId::key_table) + "=";
    for (const std::string& row : rows) out += row + app::k(app::ConstId::row_terminator);
    return out + "\r\n";
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tockly-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

const std::shared_ptr<const host::LoadedImage>& tockly_image() {
    static const std::shared_ptr<const host::LoadedImage> loaded = [] {
        std::ifstream in(TOCKLY_ICON_FILE, std::ios::binary);
        const std::vector<std::uint8_t> icon{std::istreambuf_iterator<char>(in),
                                             std::istreambuf_iterator<char>()};
        auto image = app::build_tockly_image(icon);
        if (!image) throw std::runtime_error("Tockly's image: " + image.error().message());
        static const auto bytes = image::write_image(*image);
        if (!bytes) throw std::runtime_error("Tockly's image: " + bytes.error().message());
        auto result = host::headless::load_headless_image(*bytes, app::handler_table());
        if (!result) throw std::runtime_error("Tockly's image: " + result.error().message());
        if (auto bound = app::bind_constants(result->const_pool()); !bound)
            throw std::runtime_error("Tockly's constants: " + bound.error().message());
        return std::make_shared<const host::LoadedImage>(std::move(result).value());
    }();
    return loaded;
}

HeadlessTockly::HeadlessTockly(std::int64_t start_ms, const std::vector<std::string>& rows)
    : program_(tockly_image(), app::handler_table(), start_ms, folder_.path().string(), &counted_) {
    if (!rows.empty()) {
        std::ofstream out(folder_.path() / "data.ini", std::ios::binary);
        out << data_file(rows);
    }
}

HeadlessTockly::~HeadlessTockly() {
    if (!runtime().finished()) runtime().release_globals();
}

void HeadlessTockly::start() {
    // No script: the event loop returns at once, leaving the program running.
    runtime().start();
}

host::WindowInstance& HeadlessTockly::window_of(const app::Unit& unit) {
    host::WindowInstance* w = runtime().newest(unit.window);
    if (w == nullptr) throw std::runtime_error("the window is not open");
    return *w;
}

host::UnitState& HeadlessTockly::unit(const app::Unit& unit) {
    host::UnitState* u = window_of(unit).find(unit.id);
    if (u == nullptr) throw std::runtime_error("no such unit");
    return *u;
}

void HeadlessTockly::click(const app::Unit& u) {
    runtime().click(window_of(u), unit(u));
}

void HeadlessTockly::choose(const app::Unit& combo, int index) {
    runtime().choose(window_of(combo), unit(combo), index);
}

void HeadlessTockly::select(const app::Unit& list, int index) {
    runtime().select(window_of(list), unit(list), index);
}

void HeadlessTockly::close_popups() {
    while (host::WindowInstance* popup = runtime().newest(app::popup_window_id)) {
        const std::uint64_t serial = popup->serial;
        runtime().right_click(*popup);
        host::WindowInstance* again = runtime().newest(app::popup_window_id);
        if (again != nullptr && again->serial == serial) break;  // it would not close
    }
}

std::size_t HeadlessTockly::table_rows() {
    return unit(app::列表框1).items.size();
}

std::uint64_t resident_bytes() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0, resident = 0;
    if (!(statm >> pages >> resident)) return 0;
    return resident * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace tockly::harness

// Start-up, the ringtone choice and the System menu.
#include <cstring>

#include "app/constants.h"
#include "app/flows.h"
#include "app/handlers.h"
#include "app/units.h"
#include "image/text_routines.h"

namespace tockly::app::handlers {

using calls::OwnedText;
using calls::OwnedTextArray;

void on_main_created(Host& host, const std::uint32_t*) {
    // The pieces array starts as a fresh copy of the empty array initialiser.
    constexpr std::uint32_t initialiser_size = 8;
    void* empty = host.allocate(initialiser_size);
    if (empty != nullptr) std::memcpy(empty, pool_item(ConstId::empty_array), initialiser_size);
    OwnedTextArray pieces(host, empty);

    calls::start_interface_library(host);

    {
        const OwnedText path = flows::data_file_path(host);
        const OwnedText ringtone =
            calls::ini_read(host, path.c_str(), k(ConstId::section_table), k(ConstId::key_ringtone));
        calls::set_text(host, 编辑框5, ringtone.c_str());
    }
    {
        const OwnedText path = flows::data_file_path(host);
        const OwnedText table =
            calls::ini_read(host, path.c_str(), k(ConstId::section_table), k(ConstId::key_table));
        calls::set_text(host, 编辑框读表, table.c_str());
    }
    {
        const OwnedText value = calls::text_of(host, 编辑框读表);
        pieces = calls::split_text(host, value.c_str(), k(ConstId::row_terminator));
    }
    calls::set_text(host, 编辑框读表, k(ConstId::empty_text));

    const std::uint64_t count = pieces.size();
    for (std::uint64_t i = 1; i <= count; ++i) {
        // Elements are numbered from 1; the loop's bounds keep both checks from firing.
        if (i < 1) host.fatal(host::fatal_code::index_below_one);
        if (i > pieces.size()) host.fatal(host::fatal_code::index_past_end);
        calls::list_append(host, 列表框1, pieces.at(i - 1));
    }

    calls::set_focus(host, 组合框1);
    on_tick(host, nullptr);
}

void on_choose_ringtone(Host& host, const std::uint32_t*) {
    // A cancelled dialog changes nothing: neither the ringtone box nor the data file.
    if (!calls::open_file_dialog(host, 通用对话框1)) return;
    {
        const OwnedText chosen = calls::read_text(host, 通用对话框1, host::property::dialog_file_name);
        calls::set_text(host, 编辑框5, chosen.c_str());
    }
    const OwnedText path = flows::data_file_path(host);
    const OwnedText ringtone = calls::text_of(host, 编辑框5);
    calls::ini_write(host, path.c_str(), k(ConstId::section_table), k(ConstId::key_ringtone),
                     ringtone.c_str());
}

void on_main_rclick(Host& host, const std::uint32_t*) {
    calls::popup_menu(host, 主窗口, 系统);
}

}  // namespace tockly::app::handlers

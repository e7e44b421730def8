#include "host/core/save_failure_notice.h"

namespace tockly::host {

std::optional<std::string> SaveFailureNotice::after_write(std::string_view path, bool stored) {
    if (stored) {
        failing_ = false;
        return std::nullopt;
    }
    if (failing_) return std::nullopt;
    failing_ = true;
    return save_failure_message(path);
}

std::string save_failure_message(std::string_view path) {
    std::string text = "时间表未能保存到：\r\n";
    text += path;
    text +=
        "\r\n\r\n这个文件保持原样，没有改动。请检查它是否只读、被其他程序占用或无法完整读取，"
        "以及磁盘是否已满。之后的修改会再次尝试保存。";
    return text;
}

}  // namespace tockly::host

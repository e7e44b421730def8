#include "host/core/shown_item.h"

#include "image/gbk_bytes.h"

namespace tockly::host {

std::string_view shown_item_part(std::string_view item) {
    if (item.size() <= kLongestShownItem) return item;
    std::size_t at = 0;
    while (at < kLongestShownItem) {
        const std::size_t step = image::is_gbk_lead_byte(static_cast<unsigned char>(item[at])) ? 2 : 1;
        if (at + step > kLongestShownItem) break;
        at += step;
    }
    return item.substr(0, at);
}

}  // namespace tockly::host

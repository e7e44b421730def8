// How much of a list or combo box item a window shows. No row is usefully wider than a screen,
// and a row of many megabytes (in a data.ini that no one here wrote) would otherwise be copied
// whole into the control, and at twice its size as UTF-16. The program keeps the whole item; only
// what is shown is cut.
#pragma once

#include <cstddef>
#include <string_view>

namespace tockly::host {

inline constexpr std::size_t kLongestShownItem = 4096;

// The item's first kLongestShownItem bytes at most, never ending inside a double-byte character.
std::string_view shown_item_part(std::string_view item);

}  // namespace tockly::host

// The form's texts for a file dialog, in the shapes the system's dialog takes.
#pragma once

#include <string>
#include <string_view>

namespace tockly::host::win32 {

// "desc|pattern|desc|pattern" becomes "desc\0pattern\0desc\0pattern\0\0" (the caller converts it
// to UTF-16 as a whole, the zeros included). An odd last piece gets itself as its pattern; an
// empty filter gives the empty text (no filter).
std::string dialog_filter(std::string_view form_filter);

// The default extension as the dialog wants it: "*.mp3" and ".mp3" give "mp3"; a pattern with
// wildcards left after that, or several patterns, give the empty text.
std::string default_extension(std::string_view form_text);

}  // namespace tockly::host::win32

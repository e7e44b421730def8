// A readable listing of form data: window by window, unit by unit, with place, parent, flags,
// event bindings and the properties of each blob. Texts are shown as UTF-8.
#pragma once

#include <ostream>

#include "image/form.h"

namespace tockly::image {

void dump_form(std::ostream& out, const FormData& form);

// "created", "tray_notify", "clicked", "right_button", ...: an event number as it reads on a unit
// of the given type; "event N" for one this form has no name for.
std::string event_name(UnitType type, std::int32_t event);

}  // namespace tockly::image

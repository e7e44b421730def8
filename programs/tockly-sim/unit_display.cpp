#include "programs/tockly-sim/unit_display.h"

#include "host/core/unit_type_rules.h"

namespace tockly::sim {

namespace {

void add_field(host::headless::Json& fields, Shown field, const host::UnitState& unit) {
    switch (field) {
        case Shown::none:
            return;
        case Shown::text:
            fields["text"] = unit.text;
            return;
        case Shown::size:
            fields["size"] = host::headless::points_value(unit.font_height);
            return;
        case Shown::colour:
            fields["colour"] = host::headless::colour_text(unit.text_colour);
            return;
        case Shown::checked:
            fields["checked"] = unit.checked;
            return;
        case Shown::selection:
            fields["selection"] = unit.selection;
            return;
        case Shown::items:
            fields["items"] = unit.items.size();
            return;
        case Shown::rows:
            fields["rows"] = unit.items.size();
            return;
        case Shown::period:
            fields["period"] = unit.period_ms;
            return;
        case Shown::file_name:
            fields["file_name"] = unit.file_name;
            return;
    }
}

}  // namespace

void add_unit_fields(host::headless::Json& fields, const host::UnitState& unit) {
    const std::size_t row = image::unit_type_row(unit.type());
    if (row < image::unit_type_count) {
        for (Shown field : unit_displays[row].fields) add_field(fields, field, unit);
    }
    if (host::rules_of(unit.type()).switchable) {
        fields["visible"] = unit.visible;
        fields["disabled"] = unit.disabled;
    }
}

}  // namespace tockly::sim

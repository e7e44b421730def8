#include "host/core/unit_design.h"

#include <cmath>
#include <string_view>

#include "host/core/unit_type_rules.h"
#include "image/form_fields.h"
#include "image/hex_text.h"

namespace tockly::host {

namespace {

// The face every host uses where the form gives none: the usual GUI face of a Chinese system.
constexpr char kDefaultFace[] = "\xCB\xCE\xCC\xE5";  // 宋体 in GBK

void apply_font(UnitDesign& unit, const image::Font& font) {
    if (!font) return;
    unit.font.face = font->face();
    unit.font.height = font->height;
    unit.font.weight = font->weight;
}

// Takes the design values out of a blob's fields, by the names the blob mappings give them, so a
// new blob layout brings its values along without a case of its own here. Reserved fields fall to
// the last overload.
struct DesignFromBlob {
    UnitDesign& unit;

    void operator()(std::string_view field, const std::string& value) {
        if (field == "caption" || field == "content") unit.text = value;
        if (field == "filter") unit.filter = value;
        if (field == "initial_dir") unit.initial_dir = value;
        if (field == "default_ext") unit.default_ext = value;
    }
    void operator()(std::string_view field, const image::Colour& value) {
        if (field == "text_colour" || field == "caption_colour") unit.text_colour = value.ref;
        if (field == "background") unit.background = value.ref;
    }
    void operator()(std::string_view field, std::uint32_t value) {
        if (field == "checked") unit.checked = value != 0;
        if (field == "centred") unit.centred = value != 0;
        if (field == "v_centred") unit.v_centred = value != 0;
        if (field == "period_ms") unit.period_ms = value;
        if (field == "frame_style") unit.frame_style = value;
    }
    void operator()(std::string_view field, const image::Font& value) {
        if (field == "font") apply_font(unit, value);
    }
    void operator()(std::string_view field, const std::vector<std::string>& value) {
        if (field == "items") unit.items = value;
    }
    template <typename Reserved>
    void operator()(std::string_view, const Reserved&) {}
};

void apply_blob(UnitDesign& unit, const image::PropertyBlob& blob) {
    std::visit([&](const auto& b) { image::blob_fields(DesignFromBlob{unit}, b); }, blob);
}

}  // namespace

FontDesign default_font() {
    return FontDesign{kDefaultFace, -12, 400};
}

double font_points(std::int32_t height) {
    const double pixels = height < 0 ? -static_cast<double>(height) : static_cast<double>(height);
    return std::round(pixels * 72.0 / 96.0 * 100.0) / 100.0;
}

std::int32_t font_height_for_points(std::int32_t points) {
    // MulDiv(points, 96, 72), rounded to nearest, as a character height.
    const std::int64_t pixels = (static_cast<std::int64_t>(points) * 96 * 2 + 72) / (72 * 2);
    return static_cast<std::int32_t>(-pixels);
}

std::optional<std::uint32_t> UnitDesign::handler(std::int32_t event) const {
    for (const auto& e : events) {
        if (e.event == event) return e.handler;
    }
    return std::nullopt;
}

const UnitDesign* WindowDesign::find(std::uint32_t unit_id) const {
    for (const auto& u : units) {
        if (u.id == unit_id) return &u;
    }
    return nullptr;
}

const UnitDesign* WindowDesign::find_by_name(std::string_view name) const {
    for (const auto& u : units) {
        if (!u.name.empty() && u.name == name) return &u;
    }
    return nullptr;
}

image::Place WindowDesign::client_place(const UnitDesign& unit) const {
    image::Place place = unit.place;
    std::uint32_t parent = unit.parent;
    // A group box may itself lie in a group box; stop at a cycle or a missing parent.
    for (std::size_t depth = 0; parent != 0 && depth < units.size(); ++depth) {
        const UnitDesign* p = find(parent);
        if (p == nullptr) break;
        place.left += p->place.left;
        place.top += p->place.top;
        parent = p->parent;
    }
    return place;
}

const WindowDesign* ProgramDesign::find(std::uint32_t window_id) const {
    for (const auto& w : windows) {
        if (w.id == window_id) return &w;
    }
    return nullptr;
}

std::uint32_t event_argument_count(UnitType type, std::int32_t event) {
    const auto e = image::find_event(type, event);
    return e ? e->arguments : 0;
}

image::Result<ProgramDesign> design_program(const image::FormData& form, const HandlerBinder& binder) {
    ProgramDesign program;
    for (const auto& fw : form.windows) {
        WindowDesign window;
        window.id = fw.id;
        const std::string where_window = "window " + image::hex(fw.id);
        if (fw.units.empty() || fw.units.front().unit() == nullptr ||
            fw.units.front().unit()->type != UnitType::window) {
            return image::make_error(where_window + ".self_unit", 0, fw.id,
                                     "the window's first unit is not its self-unit");
        }
        for (const auto& fu : fw.units) {
            UnitDesign unit;
            unit.id = fu.id;
            const std::string where = where_window + " unit " + image::hex(fu.id);
            if (const auto* menu = fu.menu_item()) {
                unit.type = UnitType::menu_item;
                unit.text = menu->caption;
                unit.menu_level = menu->level;
                unit.menu_state = menu->state;
                unit.visible = true;
                if (auto offset = menu->selection_handler()) {
                    auto bound = binder.bind(*offset, 0, where + ".handler");
                    if (!bound) return bound.error();
                    unit.menu_handler = bound.value();
                }
                window.units.push_back(std::move(unit));
                continue;
            }
            const auto& rec = *fu.unit();
            unit.type = rec.type;
            unit.name = rec.name;
            unit.place = rec.place;
            unit.parent = rec.parent;
            unit.children = rec.children;
            unit.visible = rec.visible();
            unit.disabled = rec.disabled();
            unit.tab_stop = rec.tab_stop();
            if (!image::blob_fits_type(rec.blob, rec.type)) {
                return image::make_error(where + ".blob", 0, static_cast<std::uint32_t>(rec.type),
                                         "the property blob does not belong to the unit's type");
            }
            unit.text_colour = rules_of(rec.type).text_colour;
            unit.background = rules_of(rec.type).background;
            unit.font = default_font();
            apply_blob(unit, rec.blob);
            for (const auto& b : rec.bindings) {
                auto bound = binder.bind(b.handler, event_argument_count(rec.type, b.event),
                                         where + ".event " + std::to_string(b.event));
                if (!bound) return bound.error();
                unit.events.push_back({b.event, bound.value()});
            }
            window.units.push_back(std::move(unit));
        }
        program.windows.push_back(std::move(window));
    }
    return program;
}

}  // namespace tockly::host

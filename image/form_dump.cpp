#include "image/form_dump.h"

#include <cstdio>
#include <sstream>
#include <utility>
#include <vector>

#include "image/form_fields.h"
#include "image/hex_text.h"
#include "image/json/gbk_text.h"

namespace tockly::image {

namespace {

// Identifiers and handler offsets as eight upper-case digits.
std::string hex(std::uint32_t v) {
    return image::hex(v, 8);
}

std::string quoted(std::string_view gbk) {
    return "\"" + gbk_to_display(gbk) + "\"";
}

std::string colour(Colour c) {
    if (c.is_none()) return "none";
    if ((c.ref >> 24) != 0) return hex(c.ref);
    return "(" + std::to_string(c.red()) + "," + std::to_string(c.green()) + "," + std::to_string(c.blue()) +
           ")";
}

std::string show(std::uint32_t v) {
    return std::to_string(v);
}
std::string show(std::int32_t v) {
    return std::to_string(v);
}
std::string show(std::uint16_t v) {
    return std::to_string(v);
}
std::string show(Colour c) {
    return colour(c);
}
std::string show(const std::string& s) {
    return quoted(s);
}

std::string show(const Font& f) {
    if (!f) return "default";
    std::string out =
        quoted(f->face()) + " " + std::to_string(f->height) + " weight " + std::to_string(f->weight);
    LogFont usual = LogFont::make(f->face(), f->height, f->weight);
    if (!(usual == *f)) out += " (other fields or face bytes unusual)";
    return out;
}

std::string show(const std::vector<std::string>& items) {
    std::string out = std::to_string(items.size()) + " [";
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? " " : "") + quoted(items[i]);
    return out + "]";
}

template <typename T, std::size_t N>
std::string show(const std::array<T, N>& a) {
    std::string out = "[";
    for (std::size_t i = 0; i < N; ++i) {
        if constexpr (std::is_same_v<T, std::uint8_t>) {
            out += hex_digits(a[i], 2);
        } else {
            out += (i ? " " : "") + show(a[i]);
        }
    }
    return out + "]";
}

using Shown = std::vector<std::pair<std::string, std::string>>;

template <typename Blob>
Shown shown_fields(const Blob& b) {
    Shown out;
    blob_fields([&](const char* name, const auto& v) { out.emplace_back(name, show(v)); }, b);
    return out;
}

bool is_reserved_name(std::string_view name) {
    for (std::string_view prefix : {"reserved", "tail", "after_font", "shades_", "combo_type", "item_area"}) {
        if (name.substr(0, prefix.size()) == prefix) return true;
    }
    return false;
}

// The blob's fields; reserved ones only where they differ from their usual values.
std::string blob_line(const PropertyBlob& blob) {
    if (std::holds_alternative<EmptyBlob>(blob)) return "empty (all properties at the host's defaults)";
    return std::visit(
        [](const auto& b) {
            using Blob = std::decay_t<decltype(b)>;
            const Shown mine = shown_fields(b);
            const Shown usual = shown_fields(Blob{});
            std::string out;
            for (std::size_t i = 0; i < mine.size(); ++i) {
                if (is_reserved_name(mine[i].first) && mine[i].second == usual[i].second) continue;
                out += (out.empty() ? "" : "  ") + mine[i].first + "=" + mine[i].second;
            }
            return out;
        },
        blob);
}

std::string flags_text(const UnitRecord& u) {
    std::string out = u.visible() ? "visible" : "hidden";
    if (u.disabled()) out += " disabled";
    if (u.tab_stop()) out += " tab-stop";
    return out;
}

std::string unit_label(const FormWindow& w, std::uint32_t id) {
    const FormUnit* u = w.find_unit(id);
    if (!u || !u->unit()) return hex(id) + " (not in this window)";
    return hex(id) + " " + quoted(u->unit()->name);
}

// The unit's place in the window's client area, following its parents (at most as many steps
// as the window has units, so a cycle of parents cannot hang the listing).
std::pair<std::int64_t, std::int64_t> client_place(const FormWindow& w, const UnitRecord& u) {
    std::int64_t x = u.place.left, y = u.place.top;
    const UnitRecord* at = &u;
    for (std::size_t steps = 0; at->parent != 0 && steps < w.units.size(); ++steps) {
        const FormUnit* p = w.find_unit(at->parent);
        if (!p || !p->unit()) break;
        at = p->unit();
        x += at->place.left;
        y += at->place.top;
    }
    return {x, y};
}

}  // namespace

std::string event_name(UnitType type, std::int32_t event) {
    if (auto e = find_event(type, event)) return std::string(e->name);
    return "event " + std::to_string(event);
}

void dump_form(std::ostream& out, const FormData& form) {
    out << "form: " << form.windows.size() << " window(s)\n";
    for (const auto& w : form.windows) {
        out << "\nwindow " << hex(w.id) << "  class " << hex(w.class_id) << "  " << w.units.size() << " units"
            << "  (words " << hex(w.header_word) << " " << hex(w.record_word) << ")";
        if (!w.name.empty()) out << "  name " << quoted(w.name);
        if (!w.comment.empty()) out << "  comment " << quoted(w.comment);
        out << "\n";
        for (std::size_t i = 0; i < w.units.size(); ++i) {
            const FormUnit& unit = w.units[i];
            out << "  [" << i << "] " << hex(unit.id) << " " << unit_type_name(unit.type());
            if (const auto* m = unit.menu_item()) {
                out << "  " << quoted(m->caption) << "  level " << m->level
                    << (m->state ? "  not in a menu bar" : "") << "  handler "
                    << (m->handler < 0 ? std::string("none") : hex(static_cast<std::uint32_t>(m->handler)))
                    << "\n";
                continue;
            }
            const UnitRecord& u = *unit.unit();
            out << " " << quoted(u.name) << "  at " << u.place.left << "," << u.place.top << "  size "
                << u.place.width << "x" << u.place.height << "  " << flags_text(u) << "\n";
            if (u.parent != 0) {
                const auto [x, y] = client_place(w, u);
                out << "      in " << unit_label(w, u.parent) << "; in the client area at " << x << "," << y
                    << "\n";
            }
            if (!u.children.empty()) {
                out << "      children:";
                for (auto c : u.children) out << "  " << unit_label(w, c);
                out << "\n";
            }
            for (const auto& b : u.bindings) {
                out << "      on " << event_name(u.type, b.event) << " (" << b.event << ") -> handler "
                    << hex(b.handler) << "\n";
            }
            out << "      " << blob_line(u.blob) << "\n";
        }
    }
}

}  // namespace tockly::image

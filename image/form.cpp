#include "image/form.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <utility>

#include "image/form_fields.h"

namespace tockly::image {

std::string LogFont::face() const {
    const auto* begin = reinterpret_cast<const char*>(face_bytes.data());
    const void* nul = std::memchr(begin, 0, face_bytes.size());
    std::size_t len = nul ? static_cast<const char*>(nul) - begin : face_bytes.size();
    return std::string(begin, len);
}

void LogFont::set_face(std::string_view name) {
    face_bytes.fill(0);
    std::size_t len = std::min(name.size(), face_bytes.size());
    std::memcpy(face_bytes.data(), name.data(), len);
}

LogFont LogFont::make(std::string_view face, std::int32_t height, std::int32_t weight) {
    LogFont f;
    f.height = height;
    f.weight = weight;
    f.set_face(face);
    return f;
}

bool blob_fits_type(const PropertyBlob& blob, UnitType t) {
    return std::visit(
        [&](const auto& b) {
            using Blob = std::decay_t<decltype(b)>;
            if constexpr (std::is_same_v<Blob, EmptyBlob>) {
                return t != UnitType::menu_item;
            } else {
                return BlobKindOf<Blob>::type == t;
            }
        },
        blob);
}

std::optional<std::uint32_t> UnitRecord::handler(std::int32_t event) const {
    for (const auto& b : bindings) {
        if (b.event == event) return b.handler;
    }
    return std::nullopt;
}

UnitType FormUnit::type() const {
    if (const auto* u = unit()) return u->type;
    return UnitType::menu_item;
}

const FormUnit* FormWindow::find_unit(std::uint32_t unit_id) const {
    for (const auto& u : units) {
        if (u.id == unit_id) return &u;
    }
    return nullptr;
}

FormUnit* FormWindow::find_unit(std::uint32_t unit_id) {
    return const_cast<FormUnit*>(std::as_const(*this).find_unit(unit_id));
}

const FormWindow* FormData::find_window(std::uint32_t window_id) const {
    for (const auto& w : windows) {
        if (w.id == window_id) return &w;
    }
    return nullptr;
}

FormWindow* FormData::find_window(std::uint32_t window_id) {
    return const_cast<FormWindow*>(std::as_const(*this).find_window(window_id));
}

std::optional<std::uint32_t> find_handler(const FormData& form, std::uint32_t window_id,
                                          std::uint32_t unit_id, std::int32_t event) {
    const FormWindow* w = form.find_window(window_id);
    if (!w) return std::nullopt;
    const FormUnit* u = w->find_unit(unit_id);
    if (!u) return std::nullopt;
    if (const auto* m = u->menu_item()) return m->selection_handler();
    return u->unit()->handler(event);
}

}  // namespace tockly::image

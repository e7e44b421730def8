// The named fields of each property blob, in layout order, for code that handles every field the
// same way (listings, JSON). `v(name, member)` is called once per field; the member is one of:
// std::uint32_t, std::int32_t, std::uint16_t, Colour, Font, std::string (a GBK text),
// std::vector<std::string>, std::array of std::uint32_t, Colour or std::uint8_t (raw bytes).
#pragma once

#include <type_traits>

#include "image/form.h"

namespace tockly::image {

// The name of a blob alternative as it appears in listings and JSON ("window", "label", ...),
// "empty" for EmptyBlob.
template <typename Blob>
constexpr const char* blob_kind() {
    if constexpr (std::is_same_v<Blob, EmptyBlob>) return "empty";
    if constexpr (std::is_same_v<Blob, WindowBlob>) return "window";
    if constexpr (std::is_same_v<Blob, LabelBlob>) return "label";
    if constexpr (std::is_same_v<Blob, EditBoxBlob>) return "edit_box";
    if constexpr (std::is_same_v<Blob, GroupBoxBlob>) return "group_box";
    if constexpr (std::is_same_v<Blob, ButtonBlob>) return "button";
    if constexpr (std::is_same_v<Blob, CheckBoxBlob>) return "check_box";
    if constexpr (std::is_same_v<Blob, RadioButtonBlob>) return "radio_button";
    if constexpr (std::is_same_v<Blob, ComboBoxBlob>) return "combo_box";
    if constexpr (std::is_same_v<Blob, ListBoxBlob>) return "list_box";
    if constexpr (std::is_same_v<Blob, CommonDialogBlob>) return "common_dialog";
    if constexpr (std::is_same_v<Blob, TimerBlob>) return "timer";
}

// Works on const and non-const blobs alike.
template <typename V, typename BlobRef>
void blob_fields(V&& v, BlobRef& b) {
    using Blob = std::remove_const_t<BlobRef>;
    if constexpr (std::is_same_v<Blob, WindowBlob>) {
        v("frame_style", b.frame_style);
        v("reserved8", b.reserved8);
        v("background", b.background);
        v("reserved", b.reserved);
        v("caption", b.caption);
        v("tail", b.tail);
    } else if constexpr (std::is_same_v<Blob, LabelBlob>) {
        v("reserved4", b.reserved4);
        v("reserved8", b.reserved8);
        v("reserved12", b.reserved12);
        v("shades_a", b.shades_a);
        v("text_colour", b.text_colour);
        v("background", b.background);
        v("reserved36", b.reserved36);
        v("reserved40", b.reserved40);
        v("shades_b", b.shades_b);
        v("centred", b.centred);
        v("v_centred", b.v_centred);
        v("reserved64", b.reserved64);
        v("font", b.font);
        v("after_font", b.after_font);
        v("caption", b.caption);
        v("tail", b.tail);
    } else if constexpr (std::is_same_v<Blob, EditBoxBlob>) {
        v("reserved4", b.reserved4);
        v("text_colour", b.text_colour);
        v("background", b.background);
        v("reserved16", b.reserved16);
        v("reserved20", b.reserved20);
        v("reserved40", b.reserved40);
        v("reserved42", b.reserved42);
        v("reserved54", b.reserved54);
        v("reserved58", b.reserved58);
        v("font", b.font);
        v("content", b.content);
        v("tail", b.tail);
    } else if constexpr (std::is_same_v<Blob, GroupBoxBlob>) {
        v("reserved4", b.reserved4);
        v("caption_colour", b.caption_colour);
        v("background", b.background);
        v("font", b.font);
        v("caption", b.caption);
    } else if constexpr (std::is_same_v<Blob, ButtonBlob>) {
        v("reserved4", b.reserved4);
        v("reserved8", b.reserved8);
        v("reserved12", b.reserved12);
        v("reserved16", b.reserved16);
        v("font", b.font);
        v("caption", b.caption);
    } else if constexpr (std::is_same_v<Blob, CheckBoxBlob> || std::is_same_v<Blob, RadioButtonBlob>) {
        v("reserved4", b.reserved4);
        v("reserved8", b.reserved8);
        v("reserved16", b.reserved16);
        v("reserved20", b.reserved20);
        v("text_colour", b.text_colour);
        v("background", b.background);
        v("checked", b.checked);
        v("reserved36", b.reserved36);
        v("font", b.font);
        v("caption", b.caption);
        if constexpr (std::is_same_v<Blob, CheckBoxBlob>) v("tail", b.tail);
    } else if constexpr (std::is_same_v<Blob, ComboBoxBlob>) {
        v("combo_type", b.combo_type);
        v("reserved8", b.reserved8);
        v("reserved24", b.reserved24);
        v("text_colour", b.text_colour);
        v("background", b.background);
        v("reserved36", b.reserved36);
        v("font", b.font);
        v("reserved_after_font", b.reserved_after_font);
        v("items", b.items);
        v("tail", b.tail);
    } else if constexpr (std::is_same_v<Blob, ListBoxBlob>) {
        v("reserved4", b.reserved4);
        v("reserved8", b.reserved8);
        v("reserved16", b.reserved16);
        v("text_colour", b.text_colour);
        v("background", b.background);
        v("reserved28", b.reserved28);
        v("reserved32", b.reserved32);
        v("font", b.font);
        v("item_area", b.item_area);
    } else if constexpr (std::is_same_v<Blob, CommonDialogBlob>) {
        v("reserved", b.reserved);
        v("filter", b.filter);
        v("initial_dir", b.initial_dir);
        v("default_ext", b.default_ext);
        v("tail", b.tail);
    } else if constexpr (std::is_same_v<Blob, TimerBlob>) {
        v("period_ms", b.period_ms);
    }
}

}  // namespace tockly::image

// The one field mapping of each form structure, in layout order, so a field is named and placed
// once. The binary reader and writer walk all of them (and the writer's checks the record ones);
// the JSON codec walks the blob, font and menu item ones, the listing the blob ones. A unit
// record's JSON keeps a shape of its own (the fields one edits first, usual values left out).
//
// `v(name, member)` is called once per field. Blob fields are one of: std::uint32_t, std::int32_t,
// std::uint16_t, Colour, Font, std::string (a GBK text stored as u32 length and bytes),
// std::vector<std::string> (a u16 count named after the singular, "items" -> "item_count", then
// the texts), std::array of std::uint32_t or Colour (one value after the other) or of std::uint8_t
// (raw bytes). Record fields may also be std::uint8_t, or one of the wrappers below, which say how
// a field is stored where its C++ type alone does not.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "image/form.h"

namespace tockly::image {

// --- Wrappers for record fields ----------------------------------------------------------------

// A text stored with a terminating zero.
template <typename Text>
struct NulText {
    Text& text;
};
template <typename Text>
NulText(Text&) -> NulText<Text>;

// A u32 count named `count_name`, then the elements. Each element takes at least `min_each`
// bytes, so a reader can refuse a count the remaining bytes cannot hold before allocating.
template <typename List>
struct CountedList {
    List& list;
    const char* count_name;
    std::uint64_t min_each;
};
template <typename List>
CountedList(List&, const char*, std::uint64_t) -> CountedList<List>;

// A u32 whose value must pass `ok`; `reason` says why a reader refuses it.
template <typename Word>
struct CheckedWord {
    Word& value;
    bool (*ok)(std::uint32_t);
    const char* reason;
};
template <typename Word>
CheckedWord(Word&, bool (*)(std::uint32_t), const char*) -> CheckedWord<Word>;

// A property blob: the rest of its record, laid out by the unit's type.
template <typename Blob>
struct TypedBlob {
    Blob& blob;
    UnitType type;
};
template <typename Blob>
TypedBlob(Blob&, UnitType) -> TypedBlob<Blob>;

// --- Blob kinds ----------------------------------------------------------------------------------

// What each blob alternative belongs to: the unit type it stands in and the u32 it begins with.
template <typename Blob, UnitType Type, std::uint32_t Lead>
struct BlobKind {
    using blob = Blob;
    static constexpr UnitType type = Type;
    static constexpr std::uint32_t lead = Lead;
};

using BlobKinds =
    std::tuple<BlobKind<WindowBlob, UnitType::window, form_format::lead_window>,
               BlobKind<LabelBlob, UnitType::label, form_format::lead_label>,
               BlobKind<EditBoxBlob, UnitType::edit_box, form_format::lead_edit_box>,
               BlobKind<GroupBoxBlob, UnitType::group_box, form_format::lead_group_box>,
               BlobKind<ButtonBlob, UnitType::button, form_format::lead_button>,
               BlobKind<CheckBoxBlob, UnitType::check_box, form_format::lead_check_box>,
               BlobKind<RadioButtonBlob, UnitType::radio_button, form_format::lead_radio_button>,
               BlobKind<ComboBoxBlob, UnitType::combo_box, form_format::lead_combo_box>,
               BlobKind<ListBoxBlob, UnitType::list_box, form_format::lead_list_box>,
               BlobKind<CommonDialogBlob, UnitType::common_dialog, form_format::lead_common_dialog>,
               BlobKind<TimerBlob, UnitType::timer, form_format::lead_timer>>;

// Calls `f(Kind{})` with the kind whose unit type is `t`; false if the type has no blob layout
// (a shape box, a menu item).
template <typename F>
bool with_blob_kind(UnitType t, F&& f) {
    return std::apply(
        [&](auto... kinds) { return ((decltype(kinds)::type == t && (f(kinds), true)) || ...); },
        BlobKinds{});
}

// The kind of a blob alternative (not of EmptyBlob).
template <typename Blob>
constexpr auto blob_kind_of() {
    return std::apply(
        [](auto... kinds) {
            return std::tuple_cat(std::conditional_t<std::is_same_v<typename decltype(kinds)::blob, Blob>,
                                                     std::tuple<decltype(kinds)>, std::tuple<>>{}...);
        },
        BlobKinds{});
}
template <typename Blob>
using BlobKindOf = std::tuple_element_t<0, decltype(blob_kind_of<Blob>())>;

// --- Mappings ------------------------------------------------------------------------------------
// Each works on const and non-const structures alike.

// The fields of a blob after its lead u32.
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

template <typename V, typename FontRef>
void logfont_fields(V&& v, FontRef& f) {
    v("height", f.height);
    v("width", f.width);
    v("escapement", f.escapement);
    v("orientation", f.orientation);
    v("weight", f.weight);
    v("italic", f.italic);
    v("underline", f.underline);
    v("strike_out", f.strike_out);
    v("char_set", f.char_set);
    v("out_precision", f.out_precision);
    v("clip_precision", f.clip_precision);
    v("quality", f.quality);
    v("pitch_and_family", f.pitch_and_family);
    v("face_bytes", f.face_bytes);
}

template <typename V, typename BindingRef>
void binding_fields(V&& v, BindingRef& b) {
    v("event", b.event);
    v("handler", b.handler);
}

inline bool only_known_flags(std::uint32_t flags) {
    return (flags & ~form_format::flag_all) == 0;
}
inline bool zero_or_one(std::uint32_t value) {
    return value <= 1;
}

// What unit records and menu item records both begin with, after the type word.
template <typename V, typename RecordRef>
void record_head_fields(V&& v, RecordRef& r) {
    v("zero_a", r.zero_a);
    v("name", NulText{r.name});
    v("comment", NulText{r.comment});
    v("zero_b", r.zero_b);
}

// A unit record after its type word.
template <typename V, typename RecordRef>
void unit_record_fields(V&& v, RecordRef& u) {
    record_head_fields(v, u);
    v("left", u.place.left);
    v("top", u.place.top);
    v("width", u.place.width);
    v("height", u.place.height);
    v("zero_c", u.zero_c);
    v("parent", u.parent);
    v("children", CountedList{u.children, "child_count", 4});
    v("reserved_data", u.reserved_data);
    v("reserved_text", NulText{u.reserved_text});
    v("zero_d", u.zero_d);
    v("flags", CheckedWord{u.flags, only_known_flags, "unknown flag bits"});
    v("zero_e", u.zero_e);
    v("bindings", CountedList{u.bindings, "binding_count", 8});
    v("zero_f", u.zero_f);
    v("blob", TypedBlob{u.blob, u.type});
}

// A menu item record after its type word.
template <typename V, typename RecordRef>
void menu_item_fields(V&& v, RecordRef& m) {
    record_head_fields(v, m);
    v("level", CheckedWord{m.level, zero_or_one, "a menu item's level is 0 or 1"});
    v("state", CheckedWord{m.state, zero_or_one, "a menu item's state is 0 or 1"});
    v("caption", NulText{m.caption});
    v("handler", m.handler);
    v("zero_tail", m.zero_tail);
}

// A window record's fields before its unit count.
template <typename V, typename WindowRef>
void window_head_fields(V&& v, WindowRef& w) {
    v("record_word", w.record_word);
    v("class_id", w.class_id);
    v("name", w.name);
    v("comment", w.comment);
}

}  // namespace tockly::image

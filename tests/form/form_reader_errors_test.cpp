// Malformed form data: one broken field per case, each refused with an error naming the field
// and its offset; nothing is read past the input.
#include <gtest/gtest.h>

#include <functional>

#include "image/form_reader.h"
#include "image/form_writer.h"
#include "tests/form/form_fixture.h"

namespace tockly::image {
namespace {

using namespace form_test;
using Bytes = std::vector<std::uint8_t>;

// Indices of units in the fixture's main window.
constexpr std::size_t kLabel = 1, kEmptyEdit = 3, kMenuTop = 4, kMenuAbout = 5, kCombo = 10, kTimer = 13,
                      kGroup = 14, kShape = 15;

const FormData& fixture() {
    static const FormData form = small_form();
    return form;
}

UnitRecord& unit(FormData& f, std::size_t i) {
    return *f.windows[0].units[i].unit();
}

MenuItemRecord& menu_item(FormData& f, std::size_t i) {
    return *f.windows[0].units[i].menu_item();
}

// The path of a field of unit i of the main window, as the reader names it.
std::string field(std::size_t i, std::string_view name) {
    return "windows[0].units[" + std::to_string(i) + "]." + std::string(name);
}

// Overwrites the u32 of a written field.
void set_field(Bytes& b, const FieldOffsets& at, const std::string& name, std::uint32_t v) {
    set32(b, at.at(name), v);
}

// Inserts `extra` bytes at `end`, the end of unit i's record in the main window, and grows R, S
// and the offsets of the records after it to match.
void grow_unit(Bytes& b, const FieldOffsets& at, std::size_t i, std::uint64_t end, std::uint32_t extra) {
    b.insert(b.begin() + static_cast<std::ptrdiff_t>(end), extra, 0);
    set_field(b, at, field(i, "record_size"), get32(b, at.at(field(i, "record_size"))) + extra);
    set_field(b, at, "windows[0].record_size", get32(b, at.at("windows[0].record_size")) + extra);
    for (std::size_t k = i + 1; at.contains(field(k, "offset")); ++k) {
        set_field(b, at, field(k, "offset"), get32(b, at.at(field(k, "offset"))) + extra);
    }
}

// One broken field: in the model before it is written, or in the written bytes where the model
// cannot say it (counts, sizes and offsets are computed by the writer). The reader must name
// `field`, at the offset where the written field `at` begins plus `past` (the end of the form
// when `at` is empty).
struct Case {
    const char* what;
    std::function<void(FormData&)> change_form;
    std::function<void(Bytes&, const FieldOffsets&)> change_bytes;
    std::string field;
    std::string at;
    std::uint64_t past = 0;
};

// A change of the bytes that sets one written field.
std::function<void(Bytes&, const FieldOffsets&)> set_to(std::string name, std::uint32_t v) {
    return [name, v](Bytes& b, const FieldOffsets& at) { set_field(b, at, name, v); };
}
std::function<void(Bytes&, const FieldOffsets&)> add_to(std::string name, std::uint32_t v) {
    return [name, v](Bytes& b, const FieldOffsets& at) { set_field(b, at, name, get32(b, at.at(name)) + v); };
}

const Case cases[] = {
    {"window table not a multiple of 8",
     {},
     set_to("form.window_table_size", 12),
     "form.window_table_size",
     "form.window_table_size"},
    {"window table past the end",
     {},
     set_to("form.window_table_size", 0xFFFFFFF8),
     "form.window_table_size",
     "form.window_table_size"},
    {"same window twice",
     [](FormData& f) { f.windows[1].id = kMainId; },
     {},
     "form.window_ids",
     "form.window_ids",
     4},
    {"S of the last window one byte over the end",
     {},
     add_to("windows[1].record_size", 1),
     "windows[1].record_size",
     "windows[1].record_size",
     4},
    {"S one byte short: a record runs past its window",
     {},
     add_to("windows[0].record_size", 0xFFFFFFFF),
     field(kShape, "record_size"),
     field(kShape, "record_size"),
     4},
    {"unit count that overflows when multiplied",
     {},
     set_to("windows[0].unit_count", 0x20000001),
     "windows[0].unit_count",
     "windows[0].unit_count"},
    {"no units", {}, set_to("windows[1].unit_count", 0), "windows[1].unit_count", "windows[1].unit_count"},
    {"first offset not 0", {}, set_to(field(0, "offset"), 4), field(0, "offset"), field(0, "offset")},
    {"offsets out of order",
     {},
     [](Bytes& b, const FieldOffsets& at) {
         const auto first = get32(b, at.at(field(1, "offset"))), second = get32(b, at.at(field(2, "offset")));
         set_field(b, at, field(1, "offset"), second);
         set_field(b, at, field(2, "offset"), first);
     },
     field(1, "offset"),
     field(1, "offset")},
    {"offset outside the unit area",
     {},
     set_to("windows[1].units[1].offset", 0xFFFFFFF0),
     "windows[1].units[1].offset",
     "windows[1].units[1].offset"},
    {"R one byte past its window",
     {},
     add_to("windows[1].units[1].record_size", 1),
     "windows[1].units[1].record_size",
     "windows[1].units[1].record_size",
     4},
    {"unknown type number",
     {},
     set_to(field(kLabel, "type_word"), 0x00010002),
     field(kLabel, "type_word"),
     field(kLabel, "type_word")},
    {"type of another library",
     {},
     set_to(field(kLabel, "type_word"), 0x0002000A),
     field(kLabel, "type_word"),
     field(kLabel, "type_word")},
    {"same unit twice",
     [](FormData& f) { f.windows[0].units[2].id = f.windows[0].units[1].id; },
     {},
     field(2, "id"),
     field(2, "record_size")},
    {"a second self-unit",
     [](FormData& f) { unit(f, kEmptyEdit).type = UnitType::window; },
     {},
     field(kEmptyEdit, "type_word"),
     field(kEmptyEdit, "type_word")},
    {"child count that overflows when multiplied",
     {},
     set_to(field(kGroup, "child_count"), 0x40000001),
     field(kGroup, "child_count"),
     field(kGroup, "child_count")},
    {"binding count that overflows when multiplied",
     {},
     set_to(field(kGroup, "binding_count"), 0x20000001),
     field(kGroup, "binding_count"),
     field(kGroup, "binding_count")},
    {"unknown flag bit",
     [](FormData& f) { unit(f, kGroup).flags = 9; },
     {},
     field(kGroup, "flags"),
     field(kGroup, "flags")},
    {"wrong leading value of a blob",
     {},
     set_to(field(kTimer, "blob.lead"), 2),
     field(kTimer, "blob.lead"),
     field(kTimer, "blob.lead")},
    {"blob longer than its layout",
     {},
     [](Bytes& b, const FieldOffsets& at) {
         grow_unit(b, at, kTimer, at.at(field(kTimer + 1, "record_size")), 4);
     },
     field(kTimer, "blob"),
     field(kTimer + 1, "record_size")},
    {"font neither empty nor 60 bytes",
     {},
     set_to(field(kLabel, "blob.font.size"), 59),
     field(kLabel, "blob.font.size"),
     field(kLabel, "blob.font.size")},
    {"combo item count past the blob",
     {},
     [](Bytes& b, const FieldOffsets& at) {
         const auto count = at.at(field(kCombo, "blob.item_count"));
         b[count] = 0xFF;
         b[count + 1] = 0xFF;
     },
     field(kCombo, "blob.item_count"),
     field(kCombo, "blob.item_count")},
    {"non-empty shape box blob",
     [](FormData& f) { unit(f, kShape).blob = TimerBlob{}; },
     {},
     field(kShape, "blob"),
     field(kShape, "blob.lead")},
    {"menu level 2",
     [](FormData& f) { menu_item(f, kMenuAbout).level = 2; },
     {},
     field(kMenuAbout, "level"),
     field(kMenuAbout, "level")},
    {"sub-item before any top-level item",
     [](FormData& f) { menu_item(f, kMenuTop).level = 1; },
     {},
     field(kMenuTop, "level"),
     field(kMenuTop, "record_size")},
    {"one byte after the last window", {}, [](Bytes& b, const FieldOffsets&) { b.push_back(0); }, "form", ""},
    {"one byte short",
     {},
     [](Bytes& b, const FieldOffsets&) { b.pop_back(); },
     "windows[1].record_size",
     "windows[1].record_size",
     4},
};

TEST(FormReaderErrors, EachBrokenFieldIsNamedWithItsOffset) {
    ASSERT_TRUE(read_form(write_form(fixture())).ok());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FormData form = fixture();
        if (c.change_form) c.change_form(form);
        FieldOffsets at;
        Bytes bytes = write_form(form, &at);
        const std::uint64_t offset = (c.at.empty() ? bytes.size() : at.at(c.at)) + c.past;
        if (c.change_bytes) c.change_bytes(bytes, at);
        const auto r = read_form(bytes);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error().field, c.field) << r.error().message();
        EXPECT_EQ(r.error().offset, offset) << r.error().message();
    }
}

TEST(FormReaderErrors, OffsetsAreOfTheWholeImageWhenABaseIsGiven) {
    FieldOffsets at;
    Bytes bytes = write_form(fixture(), &at);
    set_field(bytes, at, field(kLabel, "type_word"), 0x00010063);
    const auto r = read_form(bytes, 0x2000);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().offset, 0x2000 + at.at(field(kLabel, "type_word")));
    EXPECT_EQ(r.error().value, 0x00010063u);
}

TEST(FormReaderErrors, EveryTruncationIsRefused) {
    const Bytes good = write_form(fixture());
    for (std::size_t n = 0; n < good.size(); ++n) {
        EXPECT_FALSE(read_form(std::span(good.data(), n)).ok()) << n;
    }
}

TEST(FormValidate, RefusesWhatCannotBeWrittenOrWouldNotReadBack) {
    const struct {
        const char* what;
        std::function<void(FormData&)> breaks;
        const char* field;
    } cases[] = {
        {"zero byte in a name",
         [](FormData& f) { f.windows[0].units[1].unit()->name = std::string("a\0b", 3); },
         "windows[0].units[1].name"},
        {"blob of another type", [](FormData& f) { f.windows[0].units[1].unit()->blob = TimerBlob{}; },
         "windows[0].units[1].blob"},
        {"too many combo items",
         [](FormData& f) {
             std::get<ComboBoxBlob>(f.windows[0].units[kCombo].unit()->blob).items.resize(65536);
         },
         "windows[0].units[10].blob.items"},
        {"no self-unit first", [](FormData& f) { f.windows[1].units.erase(f.windows[1].units.begin()); },
         "windows[1].units[0].type"},
        {"window without units", [](FormData& f) { f.windows[1].units.clear(); }, "windows[1].units"},
        {"same unit twice", [](FormData& f) { f.windows[1].units[1].id = f.windows[1].units[0].id; },
         "windows[1].units[1].id"},
        {"sub-item first", [](FormData& f) { f.windows[0].units[kMenuTop].menu_item()->level = 1; },
         "windows[0].units[4].level"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FormData form = fixture();
        c.breaks(form);
        const Status s = validate_form(form);
        ASSERT_FALSE(s.ok());
        EXPECT_EQ(s.error().field, c.field) << s.error().message();
    }
}

}  // namespace
}  // namespace tockly::image

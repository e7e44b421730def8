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

const UnitRecord& record(std::size_t i) {
    return *fixture().windows[0].units[i].unit();
}

std::uint64_t record_end(const Bytes& b, const Layout& l, std::size_t i) {
    return l.windows[0].units[i] + 4 + get32(b, l.windows[0].units[i]);
}

std::uint64_t blob_start(const Bytes& b, const Layout& l, std::size_t i) {
    return record_end(b, l, i) - write_property_blob(record(i).blob).size();
}

std::uint64_t child_count_at(const Layout& l, std::size_t i) {
    return l.windows[0].units[i] + 4 + 4 + 20 + record(i).name.size() + 1 + record(i).comment.size() + 1 + 4 +
           16 + 4 + 4;
}

std::uint64_t binding_count_at(const Layout& l, std::size_t i) {
    return child_count_at(l, i) + 4 + 4 * record(i).children.size() + 4 + 4 + 1 + 4 + 4 + 4;
}

// Inserts `extra` bytes at the end of unit i's record and grows R and S to match.
void grow_unit(Bytes& b, const Layout& l, std::size_t i, std::uint32_t extra) {
    const std::uint64_t end = record_end(b, l, i);
    b.insert(b.begin() + static_cast<std::ptrdiff_t>(end), extra, 0);
    set32(b, l.windows[0].units[i], get32(b, l.windows[0].units[i]) + extra);
    set32(b, l.windows[0].record_size, get32(b, l.windows[0].record_size) + extra);
    for (std::size_t k = i + 1; k < l.windows[0].units.size(); ++k) {
        const std::uint64_t at = l.windows[0].offsets + 4 * k;
        set32(b, at, get32(b, at) + extra);
    }
}

struct Case {
    const char* what;
    // Breaks one field; returns the expected error field and its offset in the form data.
    std::function<std::pair<std::string, std::uint64_t>(Bytes&, const Layout&)> breaks;
};

const Case cases[] = {
    {"window table not a multiple of 8",
     [](Bytes& b, const Layout&) {
         set32(b, 0, 12);
         return std::pair{std::string("form.window_table_size"), std::uint64_t{0}};
     }},
    {"window table past the end",
     [](Bytes& b, const Layout&) {
         set32(b, 0, 0xFFFFFFF8);
         return std::pair{std::string("form.window_table_size"), std::uint64_t{0}};
     }},
    {"same window twice",
     [](Bytes& b, const Layout&) {
         set32(b, 8, kMainId);
         return std::pair{std::string("form.window_ids"), std::uint64_t{8}};
     }},
    {"S of the last window one byte over the end",
     [](Bytes& b, const Layout& l) {
         set32(b, l.windows[1].record_size, get32(b, l.windows[1].record_size) + 1);
         return std::pair{std::string("windows[1].record_size"), l.windows[1].record_size + 4};
     }},
    {"S one byte short: a record runs past its window",
     [](Bytes& b, const Layout& l) {
         set32(b, l.windows[0].record_size, get32(b, l.windows[0].record_size) - 1);
         return std::pair{std::string("windows[0].units[15].record_size"), l.windows[0].units[kShape] + 4};
     }},
    {"unit count that overflows when multiplied",
     [](Bytes& b, const Layout& l) {
         set32(b, l.windows[0].unit_count, 0x20000001);
         return std::pair{std::string("windows[0].unit_count"), l.windows[0].unit_count};
     }},
    {"no units",
     [](Bytes& b, const Layout& l) {
         set32(b, l.windows[1].unit_count, 0);
         return std::pair{std::string("windows[1].unit_count"), l.windows[1].unit_count};
     }},
    {"first offset not 0",
     [](Bytes& b, const Layout& l) {
         set32(b, l.windows[0].offsets, 4);
         return std::pair{std::string("windows[0].units[0].offset"), l.windows[0].offsets};
     }},
    {"offsets out of order",
     [](Bytes& b, const Layout& l) {
         const auto a = get32(b, l.windows[0].offsets + 4), c = get32(b, l.windows[0].offsets + 8);
         set32(b, l.windows[0].offsets + 4, c);
         set32(b, l.windows[0].offsets + 8, a);
         return std::pair{std::string("windows[0].units[1].offset"), l.windows[0].offsets + 4};
     }},
    {"offset outside the unit area",
     [](Bytes& b, const Layout& l) {
         set32(b, l.windows[1].offsets + 4, 0xFFFFFFF0);
         return std::pair{std::string("windows[1].units[1].offset"), l.windows[1].offsets + 4};
     }},
    {"R one byte past its window",
     [](Bytes& b, const Layout& l) {
         const auto at = l.windows[1].units[1];
         set32(b, at, get32(b, at) + 1);
         return std::pair{std::string("windows[1].units[1].record_size"), at + 4};
     }},
    {"unknown type number",
     [](Bytes& b, const Layout& l) {
         set32(b, l.windows[0].units[kLabel] + 4, 0x00010002);
         return std::pair{std::string("windows[0].units[1].type_word"), l.windows[0].units[kLabel] + 4};
     }},
    {"type of another library",
     [](Bytes& b, const Layout& l) {
         set32(b, l.windows[0].units[kLabel] + 4, 0x0002000A);
         return std::pair{std::string("windows[0].units[1].type_word"), l.windows[0].units[kLabel] + 4};
     }},
    {"same unit twice",
     [](Bytes& b, const Layout& l) {
         set32(b, l.windows[0].ids + 8, get32(b, l.windows[0].ids + 4));
         return std::pair{std::string("windows[0].units[2].id"), l.windows[0].units[2]};
     }},
    {"a second self-unit",
     [](Bytes& b, const Layout& l) {
         set32(b, l.windows[0].units[kEmptyEdit] + 4, 0x00010001);
         return std::pair{std::string("windows[0].units[3].type_word"), l.windows[0].units[kEmptyEdit] + 4};
     }},
    {"child count that overflows when multiplied",
     [](Bytes& b, const Layout& l) {
         set32(b, child_count_at(l, kGroup), 0x40000001);
         return std::pair{std::string("windows[0].units[14].child_count"), child_count_at(l, kGroup)};
     }},
    {"binding count that overflows when multiplied",
     [](Bytes& b, const Layout& l) {
         set32(b, binding_count_at(l, kGroup), 0x20000001);
         return std::pair{std::string("windows[0].units[14].binding_count"), binding_count_at(l, kGroup)};
     }},
    {"unknown flag bit",
     [](Bytes& b, const Layout& l) {
         set32(b, binding_count_at(l, kGroup) - 8, 9);
         return std::pair{std::string("windows[0].units[14].flags"), binding_count_at(l, kGroup) - 8};
     }},
    {"wrong leading value of a blob",
     [](Bytes& b, const Layout& l) {
         set32(b, blob_start(b, l, kTimer), 2);
         return std::pair{std::string("windows[0].units[13].blob.lead"), blob_start(b, l, kTimer)};
     }},
    {"blob longer than its layout",
     [](Bytes& b, const Layout& l) {
         const auto end = record_end(b, l, kTimer);
         grow_unit(b, l, kTimer, 4);
         return std::pair{std::string("windows[0].units[13].blob"), end};
     }},
    {"font neither empty nor 60 bytes",
     [](Bytes& b, const Layout& l) {
         set32(b, blob_start(b, l, kLabel) + 68, 59);
         return std::pair{std::string("windows[0].units[1].blob.font.size"), blob_start(b, l, kLabel) + 68};
     }},
    {"combo item count past the blob",
     [](Bytes& b, const Layout& l) {
         const auto at = blob_start(b, l, kCombo) + 112;
         b[at] = 0xFF;
         b[at + 1] = 0xFF;
         return std::pair{std::string("windows[0].units[10].blob.item_count"), at};
     }},
    {"non-empty shape box blob",
     [](Bytes& b, const Layout& l) {
         const auto end = record_end(b, l, kShape);
         grow_unit(b, l, kShape, 4);
         return std::pair{std::string("windows[0].units[15].blob"), end};
     }},
    {"menu level 2",
     [](Bytes& b, const Layout& l) {
         const auto at = l.windows[0].units[kMenuAbout] + 4 + 4 + 20 + 1 + 1 + 4;
         set32(b, at, 2);
         return std::pair{std::string("windows[0].units[5].level"), at};
     }},
    {"sub-item before any top-level item",
     [](Bytes& b, const Layout& l) {
         set32(b, l.windows[0].units[kMenuTop] + 34, 1);
         return std::pair{std::string("windows[0].units[4].level"), l.windows[0].units[kMenuTop]};
     }},
    {"one byte after the last window",
     [](Bytes& b, const Layout&) {
         b.push_back(0);
         return std::pair{std::string("form"), std::uint64_t{b.size() - 1}};
     }},
    {"one byte short",
     [](Bytes& b, const Layout& l) {
         b.pop_back();
         return std::pair{std::string("windows[1].record_size"), l.windows[1].record_size + 4};
     }},
};

TEST(FormReaderErrors, EachBrokenFieldIsNamedWithItsOffset) {
    const Bytes good = write_form(fixture());
    ASSERT_TRUE(read_form(good).ok());
    const Layout layout = locate(good);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = good;
        const auto [field, offset] = c.breaks(bytes, layout);
        const auto r = read_form(bytes);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error().field, field) << r.error().message();
        EXPECT_EQ(r.error().offset, offset) << r.error().message();
    }
}

TEST(FormReaderErrors, OffsetsAreOfTheWholeImageWhenABaseIsGiven) {
    Bytes bytes = write_form(fixture());
    const Layout layout = locate(bytes);
    set32(bytes, layout.windows[0].units[kLabel] + 4, 0x00010063);
    const auto r = read_form(bytes, 0x2000);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().offset, 0x2000 + layout.windows[0].units[kLabel] + 4);
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

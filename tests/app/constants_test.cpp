#include "app/constants.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/chime_sound.h"

namespace tockly::app {
namespace {

const std::vector<std::uint8_t> kIcon = {0, 0, 1, 0, 5, 0, 'i', 'c', 'o'};

std::vector<std::uint8_t> pool_of(const std::vector<Constant>& list) {
    std::vector<std::uint8_t> pool;
    for (const auto& c : list) pool.insert(pool.end(), c.pool_bytes.begin(), c.pool_bytes.end());
    return pool;
}

std::size_t offset_of(const std::vector<Constant>& list, ConstId id) {
    std::size_t at = 0;
    for (const auto& c : list) {
        if (c.id == id) return at;
        at += c.pool_bytes.size();
    }
    return at;
}

class Constants : public ::testing::Test {
  protected:
    void TearDown() override { unbind_constants(); }
    const std::vector<Constant> list = constant_list(kIcon);
};

TEST_F(Constants, ListIsInIdOrderWithTheTextsAsGbkBytes) {
    ASSERT_EQ(list.size(), const_count);
    for (std::uint32_t i = 0; i < const_count; ++i) EXPECT_EQ(list[i].id, static_cast<ConstId>(i));
    // A function label is 17 bytes: five blanks, four two-byte characters, four blanks.
    const auto& label = list[static_cast<std::uint32_t>(ConstId::label_reminder)].pool_bytes;
    const std::vector<std::uint8_t> gbk = {0x20, 0x20, 0x20, 0x20, 0x20, 0xce, 0xc2, 0xdc, 0xb0,
                                           0xcc, 0xe1, 0xca, 0xbe, 0x20, 0x20, 0x20, 0x20, 0x00};
    EXPECT_EQ(label, gbk);
    const auto& chime = list[static_cast<std::uint32_t>(ConstId::chime)].pool_bytes;
    ASSERT_EQ(chime.size(), 8 + 73772u);
    EXPECT_EQ(std::vector<std::uint8_t>(chime.begin() + 8, chime.end()), chime_wav());
    const auto& empty_array = list[static_cast<std::uint32_t>(ConstId::empty_array)].pool_bytes;
    EXPECT_EQ(empty_array, (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(Constants, BindingPointsIntoThePool) {
    const auto pool = pool_of(list);
    ASSERT_TRUE(bind_constants(pool).ok());
    EXPECT_EQ(k(ConstId::empty_text),
              reinterpret_cast<const char*>(pool.data() + offset_of(list, ConstId::empty_text)));
    EXPECT_STREQ(k(ConstId::command_start), "cmd /cstart ");
    EXPECT_STREQ(k(ConstId::data_file_name), "\\data.ini");
    const auto* icon = static_cast<const std::uint8_t*>(pool_item(ConstId::icon));
    EXPECT_EQ(icon, pool.data() + offset_of(list, ConstId::icon));
    EXPECT_EQ(pool_offset(ConstId::chime), offset_of(list, ConstId::chime));
}

TEST_F(Constants, AnyIconByteSetBinds) {
    const std::vector<std::uint8_t> empty_icon;
    EXPECT_TRUE(bind_constants(pool_of(constant_list(empty_icon))).ok());
}

TEST_F(Constants, TheImagePoolIsTheListLaidEndToEnd) {
    EXPECT_EQ(write_constant_pool(kIcon).value(), pool_of(list));
}

TEST_F(Constants, AnIconEqualToTheChimeIsRefusedAsItWouldShareItsPlace) {
    // The pool writer stores equal items once; the walk at load would then miss the chime.
    const auto pool = write_constant_pool(chime_wav());
    ASSERT_FALSE(pool.ok());
    EXPECT_EQ(pool.error().field, "const.chime");
}

TEST_F(Constants, APoolThatIsNotOursIsRefusedAndLeavesNothingBound) {
    const auto good = pool_of(list);
    const std::size_t chime_at = offset_of(list, ConstId::chime);
    const std::size_t icon_at = offset_of(list, ConstId::icon);
    struct Case {
        const char* what;
        std::vector<std::uint8_t> pool;
        std::string field;
    };
    std::vector<Case> cases;
    auto changed = [&](std::size_t at, std::uint8_t value) {
        auto p = good;
        p[at] = value;
        return p;
    };
    cases.push_back(
        {"a text changed", changed(offset_of(list, ConstId::command_start) + 4, '-'), "const.command_start"});
    cases.push_back({"a chime sample changed", changed(chime_at + 8 + 2000, 0x55), "const.chime"});
    cases.push_back({"array initialiser not empty", changed(4, 1), "const.empty_array"});
    cases.push_back({"byte set of two dimensions", changed(icon_at, 2), "const.icon.dimensions"});
    {
        auto p = good;
        p.pop_back();  // one byte short
        cases.push_back({"truncated", p, "const.chime.bytes"});
    }
    {
        auto p = good;
        p.push_back(0);  // one byte over
        cases.push_back({"trailing byte", p, "const"});
    }
    {
        auto p = good;
        p[icon_at + 4] = 0xFF, p[icon_at + 5] = 0xFF, p[icon_at + 6] = 0xFF, p[icon_at + 7] = 0xFF;
        cases.push_back({"icon length past the end", p, "const.icon.bytes"});
    }
    cases.push_back({"empty pool", {}, "const.empty_array.dimensions"});
    for (const auto& c : cases) {
        ASSERT_TRUE(bind_constants(good).ok());
        const auto status = bind_constants(c.pool);
        ASSERT_FALSE(status.ok()) << c.what;
        EXPECT_EQ(status.error().field, c.field) << c.what << ": " << status.error().message();
        EXPECT_FALSE(constants_bound()) << c.what;
    }
}

}  // namespace
}  // namespace tockly::app

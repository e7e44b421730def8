#include "host/core/save_failure_notice.h"

#include <gtest/gtest.h>

namespace tockly::host {
namespace {

TEST(SaveFailureNotice, ToldOnceUntilASaveSucceedsAgain) {
    SaveFailureNotice notice;
    EXPECT_FALSE(notice.after_write("C:\\T\\data.ini", true));
    auto first = notice.after_write("C:\\T\\data.ini", false);
    ASSERT_TRUE(first);
    EXPECT_NE(first->find("C:\\T\\data.ini"), std::string::npos);
    EXPECT_NE(first->find("未能保存"), std::string::npos);  // GBK, as the literal here
    EXPECT_FALSE(notice.after_write("C:\\T\\data.ini", false));
    EXPECT_FALSE(notice.after_write("C:\\T\\data.ini", false));
    EXPECT_FALSE(notice.after_write("C:\\T\\data.ini", true));
    EXPECT_TRUE(notice.after_write("C:\\T\\data.ini", false));  // failing again: told again
}

}  // namespace
}  // namespace tockly::host

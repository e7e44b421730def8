#include "launcher/launch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/launcher/fake_platform.h"

namespace tockly::launcher::testing {
namespace {

using Trace = std::vector<std::string>;

const unsigned char kImage[] = {'V', 'Q', 0, 0};

const std::string kExe = "C:\\Tockly\\Tockly.exe";
const std::string kBeside = "C:\\Tockly\\corlb.xrt";
const std::string kOpen = "open 80000001 Software\\Quorva\\Z\\Install 0 20019";
const std::string kQuery = "query Path 259";
const std::string kLookup = "lookup GetNewSock";
const std::string kGetNewSock = "GetNewSock 1000";
const std::string kErrorBox =
    "box Not found the kernel library or the kernel library is invalid! | Error | 16";
const std::string kExitOk = "exit 0";
const std::string kExitFail = "exit ffffffff";

std::string z(const std::string& text) {
    return text + std::string(1, '\0');
}  // with its terminating zero

struct Case {
    const char* name;
    std::string exe_path;
    std::map<std::string, HostKind> files;
    std::optional<std::string> path_value;  // the registry value; nullopt: the value is missing
    Trace expected;
    bool key_exists = true;
};

std::vector<Case> cases() {
    const std::string mid_dir = "D:\\" + std::string(146, 'd') + "\\";   // 150 bytes
    const std::string long_dir = "D:\\" + std::string(246, 'd') + "\\";  // 250 bytes
    const std::string install_249 = "E:\\" + std::string(246, 'i');      // 249 bytes
    const std::string install_250 = install_249 + "j";
    const std::string install_250_slash = install_249 + "\\";
    const auto host_at = [](const std::string& path) {
        return std::map<std::string, HostKind>{{path, HostKind::Working}};
    };
    const auto handed_over = [](const std::string& path) {
        return Trace{"load " + path, kLookup, kGetNewSock, "entry of " + path, kExitOk};
    };
    const auto install_trace = [](Trace tail) {
        Trace t{"load " + kBeside, kOpen, kQuery, "close"};
        t.insert(t.end(), tail.begin(), tail.end());
        return t;
    };
    return {
        {"host beside the executable: registry never read", kExe, host_at(kBeside), z("D:\\Q"),
         handed_over(kBeside)},
        {"install path gets one backslash", kExe, host_at("D:\\Q\\corlb.xdv"), z("D:\\Q"),
         install_trace(handed_over("D:\\Q\\corlb.xdv"))},
        {"install path ending in a backslash gets none", kExe, host_at("D:\\Q\\corlb.xdv"), z("D:\\Q\\"),
         install_trace(handed_over("D:\\Q\\corlb.xdv"))},
        {"install path stored without its zero", kExe, host_at("D:\\Q\\corlb.xdv"), std::string("D:\\Q"),
         install_trace(handed_over("D:\\Q\\corlb.xdv"))},
        {"key missing", kExe, {}, z("D:\\Q"), {"load " + kBeside, kOpen, kErrorBox, kExitFail}, false},
        {"value missing", kExe, {}, std::nullopt, install_trace({kErrorBox, kExitFail})},
        {"empty value", kExe, {}, z(""), install_trace({kErrorBox, kExitFail})},
        {"value of 260 bytes with its zero is a failed read",
         kExe,
         {},
         z(std::string(259, 'v')),
         install_trace({kErrorBox, kExitFail})},
        {"value of 259 bytes reads but leaves no room for the file name",
         kExe,
         {},
         z(std::string(258, 'v')),
         install_trace({kErrorBox, kExitFail})},
        {"install path filling the buffer exactly", kExe, host_at(install_249 + "\\corlb.xdv"),
         z(install_249), install_trace(handed_over(install_249 + "\\corlb.xdv"))},
        {"install path one byte too long", kExe, {}, z(install_250), install_trace({kErrorBox, kExitFail})},
        {"install path with its backslash filling the buffer", kExe, host_at(install_250_slash + "corlb.xdv"),
         z(install_250_slash), install_trace(handed_over(install_250_slash + "corlb.xdv"))},
        {"install file missing: nothing to free",
         kExe,
         {},
         z("D:\\Q"),
         install_trace({"load D:\\Q\\corlb.xdv", kErrorBox, kExitFail})},
        {"install file without the export is freed",
         kExe,
         {{"D:\\Q\\corlb.xdv", HostKind::NoExport}},
         z("D:\\Q"),
         install_trace({"load D:\\Q\\corlb.xdv", kLookup, "free D:\\Q\\corlb.xdv", kErrorBox, kExitFail})},
        {"install file refusing is freed",
         kExe,
         {{"D:\\Q\\corlb.xdv", HostKind::Refusing}},
         z("D:\\Q"),
         install_trace(
             {"load D:\\Q\\corlb.xdv", kLookup, kGetNewSock, "free D:\\Q\\corlb.xdv", kErrorBox, kExitFail})},
        {"file beside without the export: freed, install file not tried",
         kExe,
         {{kBeside, HostKind::NoExport}, {"D:\\Q\\corlb.xdv", HostKind::Working}},
         z("D:\\Q"),
         {"load " + kBeside, kLookup, "free " + kBeside, kErrorBox, kExitFail}},
        {"file beside refusing: freed, install file not tried",
         kExe,
         {{kBeside, HostKind::Refusing}, {"D:\\Q\\corlb.xdv", HostKind::Working}},
         z("D:\\Q"),
         {"load " + kBeside, kLookup, kGetNewSock, "free " + kBeside, kErrorBox, kExitFail}},
        {"last five characters never searched for the separator", "C:\\A\\bc\\x.e",
         host_at("C:\\A\\corlb.xrt"), std::nullopt, handed_over("C:\\A\\corlb.xrt")},
        {"executable path over 128 bytes read whole", mid_dir + "Tockly.exe", host_at(mid_dir + "corlb.xrt"),
         std::nullopt, handed_over(mid_dir + "corlb.xrt")},
        {"executable path of 259 bytes", long_dir + "Tockl.exe", host_at(long_dir + "corlb.xrt"),
         std::nullopt, handed_over(long_dir + "corlb.xrt")},
        {"executable path cut short is a failure",
         long_dir + "TocklyX.exe",
         host_at(long_dir + "corlb.xrt"),
         z("D:\\Q"),
         {kErrorBox, kExitFail}},
        {"directory too long for the file name",
         long_dir + "x\\a.exe",
         host_at(long_dir + "x\\corlb.xrt"),
         z("D:\\Q"),
         {kErrorBox, kExitFail}},
        {"executable path without a directory",
         "Tockly.exe",
         host_at("corlb.xrt"),
         z("D:\\Q"),
         {kErrorBox, kExitFail}},
        {"executable path too short for a directory",
         "C:\\ab",
         host_at("C:\\corlb.xrt"),
         z("D:\\Q"),
         {kErrorBox, kExitFail}},
        {"executable path unavailable", "", {}, z("D:\\Q"), {kErrorBox, kExitFail}},
    };
}

TEST(Launch, FindsTheHostOrReportsThatItCannot) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        FakePlatform os;
        os.exe_path = c.exe_path;
        os.files = c.files;
        os.key_exists = c.key_exists;
        os.path_value = c.path_value;
        launch(os, kImage);
        EXPECT_EQ(os.calls, c.expected);
        const bool handed_over = !c.expected.empty() && c.expected.back() == kExitOk;
        EXPECT_EQ(os.image_received, handed_over ? kImage : nullptr);
    }
}

// A stale directory from the executable's path must not leak into the install path when the
// registry value carries no terminating zero and is shorter than what the buffer held before.
TEST(Launch, InstallPathIsNotMixedWithTheEarlierExecutableDirectory) {
    FakePlatform os;
    os.exe_path = "C:\\Program Files\\Tockly\\Tockly.exe";
    os.path_value = std::string("D:\\Q");
    launch(os, kImage);
    ASSERT_GE(os.calls.size(), 5u);
    EXPECT_EQ(os.calls[4], "load D:\\Q\\corlb.xdv");
}

}  // namespace
}  // namespace tockly::launcher::testing

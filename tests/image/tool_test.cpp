// The tockly-image tool's commands and exit statuses, run as a user would.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "image/byte_writer.h"
#include "image/container.h"
#include "tests/image/image_fixture.h"

namespace tockly::image {
namespace {

namespace fs = std::filesystem;

class Tool : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tockly-image-test-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // Runs the tool; answers its exit status, with stdout and stderr in out_ and err_.
    int run(const std::string& args) {
        std::string cmd =
            std::string(TOCKLY_IMAGE_TOOL) + " " + args + " >" + path("out") + " 2>" + path("err");
        int status = std::system(cmd.c_str());
        out_ = slurp(path("out"));
        err_ = slurp(path("err"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static std::string slurp_bytes(const std::vector<std::uint8_t>& b) {
        return std::string(b.begin(), b.end());
    }

    static std::string slurp(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    void write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream out(path(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    // One line on stderr.
    void expect_one_line_error() const {
        ASSERT_FALSE(err_.empty());
        EXPECT_EQ(err_.find('\n'), err_.size() - 1) << err_;
    }

    fs::path dir_;
    std::string out_, err_;
};

TEST_F(Tool, ConvertsDumpsAndVerifiesTheFixture) {
    ASSERT_EQ(run("from-json " + test::fixture_path("small-image.json") + " -o " + path("a.bin")), 0) << err_;
    EXPECT_EQ(slurp(path("a.bin")), slurp_bytes(test::small_image_bytes()));
    EXPECT_EQ(run("verify " + path("a.bin")), 0) << out_;
    ASSERT_EQ(run("dump " + path("a.bin")), 0) << err_;
    for (const char* part : {"header", "libraries (2)", "@reloc1", "relocations (13)", "text \"Tockly\"",
                             "array initialiser", "window 0x52010001"}) {
        EXPECT_NE(out_.find(part), std::string::npos) << part;
    }
    ASSERT_EQ(run("to-json " + path("a.bin") + " -o " + path("a.json")), 0) << err_;
    ASSERT_EQ(run("from-json " + path("a.json") + " -o " + path("b.bin")), 0) << err_;
    EXPECT_EQ(slurp(path("b.bin")), slurp(path("a.bin")));
}

TEST_F(Tool, VerifyListsProblemsWithExitOne) {
    Image image = test::small_image();
    image.header.library_end = 0;
    image.header.entry = 0;
    write("bad.bin", write_image(image).value());
    EXPECT_EQ(run("verify " + path("bad.bin")), 1);
    EXPECT_NE(out_.find("header.library_end"), std::string::npos) << out_;
    EXPECT_NE(out_.find("header.entry"), std::string::npos) << out_;
}

TEST_F(Tool, UnreadableOrMalformedInputExitsTwoWithOneLine) {
    auto bytes = test::small_image_bytes();
    auto trailing = bytes;
    trailing.push_back(0);
    auto bad_magic = bytes;
    bad_magic[0] = 'W';
    write("trailing.bin", trailing);
    write("magic.bin", bad_magic);
    std::ofstream(path("bad.json")) << "{ \"header\": ";
    std::ofstream(path("wrong.json")) << "{\"header\": {}, \"libraries\": [], \"segments\": []}";
    const std::string cases[] = {
        "dump " + path("missing.bin"),
        "verify " + path("trailing.bin"),
        "to-json " + path("magic.bin"),
        "dump " + path("magic.bin"),
        "from-json " + path("bad.json") + " -o " + path("x.bin"),
        "from-json " + path("wrong.json") + " -o " + path("x.bin"),
        "from-json " + test::fixture_path("small-image.json"),  // no -o
        "verify",
        "frobnicate " + path("trailing.bin"),
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args);
        EXPECT_EQ(run(args), 2);
        if (args.rfind("frobnicate", 0) != 0 && args != "verify") expect_one_line_error();
    }
    EXPECT_FALSE(fs::exists(path("x.bin")));
}

}  // namespace
}  // namespace tockly::image

#include "host/core/ini_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "host/arg_records.h"
#include "host/core/file_system_posix.h"

namespace tockly::host {
namespace {

// Files in memory, with the failures a disk can have.
class MemoryFileSystem final : public FileSystem {
  public:
    using FileSystem::read_file;
    void read_file(const std::string& path, FileRead& into) override {
        ++reads;
        const auto found = files.find(path);
        if (busy_reads) {
            into.status = FileRead::Status::busy;  // its bytes stay as they were
        } else if (fail_reads) {
            into = {FileRead::Status::failed, {}};
        } else if (found == files.end()) {
            into = {FileRead::Status::missing, {}};
        } else {
            into = {FileRead::Status::ok, found->second};
        }
    }
    bool replace_file(const std::string& path, std::span<const std::string_view> pieces) override {
        ++replaces;
        if (fail_replaces) return false;
        std::string& bytes = files[path];
        bytes.clear();
        append_pieces(bytes, pieces);
        return true;
    }
    void remove_stale_temporaries(const std::string&) override {}
    std::map<std::string, std::string> files;
    bool fail_reads = false;
    bool busy_reads = false;  // another program holds every file
    bool fail_replaces = false;
    int reads = 0;
    int replaces = 0;
};

const std::string kPath = "C:\\Tockly\\data.ini";

TEST(IniStore, EveryValueReadsBackExactlyAndLeavesTheOthersAlone) {
    const std::string ten_megabytes = [] {
        std::string rows;
        const std::string row = "08:05:00     温馨提示    开会 = ; [x]@";
        while (rows.size() < 10u << 20) rows += row;
        return rows;
    }();
    const std::vector<std::string> values = {
        "plain",
        "a = b",
        "x=y;z",
        ";starts like a comment",
        "[looks like a section]",
        "  leading and trailing blanks\t ",
        "\"in quotes\"",
        "\"",
        "",
        "08:05:00     温馨提示    开会@23:30:00     定时关机    时间到达后将在5秒后关机！@",
        "D:\\ring\\铃声.mp3",
        "\x81\x40\xfe\xfe\x80",
        ten_megabytes,
    };
    const std::vector<std::string> starting_files = {
        "",
        "[表]\r\n铃声=D:\\old.mp3\r\n\r\n; notes\r\n[其他]\r\nk=v\r\n",
        "[其他]\nk=v\n[表]\n时表=old\n",
        "\xEF\xBB\xBF[表]\r\n铃声=x",
    };
    for (const std::string& start : starting_files) {
        for (const std::string& value : values) {
            MemoryFileSystem files;
            if (!start.empty()) files.files[kPath] = start;
            IniStore store(files);
            const std::string ringtone_before = store.read(kPath, "表", "铃声");
            const std::string other_before = store.read(kPath, "其他", "k");
            ASSERT_TRUE(store.write(kPath, "表", "时表", value));
            EXPECT_EQ(store.read(kPath, "表", "时表"), value) << start << " | " << value.substr(0, 40);
            EXPECT_EQ(store.read(kPath, "表", "铃声"), ringtone_before);
            EXPECT_EQ(store.read(kPath, "其他", "k"), other_before);
            // Writing the same again changes nothing; writing another value and back restores the bytes.
            const std::string written = files.files[kPath];
            ASSERT_TRUE(store.write(kPath, "表", "时表", "other"));
            ASSERT_TRUE(store.write(kPath, "表", "时表", value));
            EXPECT_EQ(files.files[kPath], written);
        }
    }
}

TEST(IniStore, MissingFileSectionOrKeyReadsEmptyAndTheFileIsCreatedOnWrite) {
    MemoryFileSystem files;
    IniStore store(files);
    EXPECT_EQ(store.read(kPath, "表", "时表"), "");
    EXPECT_FALSE(store.find(kPath, "表", "时表").has_value());
    ASSERT_TRUE(store.write(kPath, "表", "铃声", ""));
    EXPECT_EQ(files.files.at(kPath), "[表]\r\n铃声=\r\n");
    EXPECT_EQ(store.find(kPath, "表", "铃声"), "");  // present, and empty
    EXPECT_EQ(store.read(kPath, "表", "时表"), "");
    EXPECT_EQ(store.read(kPath, "别的", "铃声"), "");
}

TEST(IniStore, AFailedWriteLeavesTheOldFile) {
    MemoryFileSystem files;
    files.files[kPath] = "[表]\r\n时表=A@\r\n";
    IniStore store(files);

    files.fail_replaces = true;
    EXPECT_FALSE(store.write(kPath, "表", "时表", "B@"));
    EXPECT_EQ(files.files[kPath], "[表]\r\n时表=A@\r\n");
    files.fail_replaces = false;

    // A file that exists but cannot be read is never overwritten: its other items would be lost.
    files.fail_reads = true;
    EXPECT_FALSE(store.write(kPath, "表", "时表", "B@"));
    EXPECT_EQ(files.replaces, 1);
    files.fail_reads = false;

    // A value that cannot be one line is refused before the disk is touched.
    EXPECT_FALSE(store.write(kPath, "表", "时表", "A\r\nB"));
    EXPECT_EQ(files.replaces, 1);
    EXPECT_EQ(store.read(kPath, "表", "时表"), "A@");
}

TEST(IniStore, AFileHeldForAMomentIsEditedFromWhatWasLastReadOfIt) {
    // Another program holds the file so that it cannot be read (a scanner looking at it): what
    // the store read of it before is still its content, so reads and an edit go on from that.
    // Once the store has written the file, what it read is out of date: a held file is then not
    // guessed at.
    MemoryFileSystem files;
    files.files[kPath] = "[表]\r\n铃声=x.mp3\r\n时表=A@\r\n";
    IniStore store(files);
    EXPECT_EQ(store.read(kPath, "表", "时表"), "A@");
    files.busy_reads = true;
    EXPECT_EQ(store.read(kPath, "表", "铃声"), "x.mp3");
    EXPECT_TRUE(store.write(kPath, "表", "时表", "B@"));
    EXPECT_EQ(files.files[kPath], "[表]\r\n铃声=x.mp3\r\n时表=B@\r\n");
    EXPECT_FALSE(store.write(kPath, "表", "时表", "C@"));
    EXPECT_EQ(files.files[kPath], "[表]\r\n铃声=x.mp3\r\n时表=B@\r\n");
    files.busy_reads = false;
    EXPECT_TRUE(store.write(kPath, "表", "时表", "C@"));
    EXPECT_EQ(files.files[kPath], "[表]\r\n铃声=x.mp3\r\n时表=C@\r\n");

    // Held from the first read on: nothing is known of it, so it reads as nothing and is never
    // rewritten, as a file that could not be read.
    MemoryFileSystem held;
    held.files[kPath] = "[表]\r\n时表=A@\r\n";
    held.busy_reads = true;
    IniStore second(held);
    EXPECT_EQ(second.read(kPath, "表", "时表"), "");
    held.busy_reads = false;
    EXPECT_FALSE(second.write(kPath, "表", "时表", "C@"));
    EXPECT_EQ(held.replaces, 0);
}

TEST(IniStore, AFileThatCouldNotBeReadWholeIsNeverRewritten) {
    // Read at start-up while locked: what the program holds is less than the file. A later
    // save would lose the rest, even once the file can be read again.
    MemoryFileSystem files;
    files.files[kPath] = "[表]\r\n时表=A@B@\r\n";
    IniStore store(files);
    files.fail_reads = true;
    EXPECT_EQ(store.read(kPath, "表", "时表"), "");
    files.fail_reads = false;
    EXPECT_FALSE(store.write(kPath, "表", "时表", "C@"));
    EXPECT_FALSE(store.write(kPath, "表", "铃声", "x.mp3"));
    EXPECT_EQ(files.replaces, 0);

    // A UTF-16 file reads as nothing and is never mixed with GBK lines.
    const std::string utf16("\xFF\xFE[\0a\0]\0\r\0\n\0", 12);
    MemoryFileSystem other;
    other.files[kPath] = utf16;
    IniStore second(other);
    EXPECT_EQ(second.read(kPath, "a", "b"), "");
    EXPECT_FALSE(second.write(kPath, "表", "时表", "C@"));
    EXPECT_EQ(other.files[kPath], utf16);
}

TEST(IniStore, CommandsByNumber) {
    MemoryFileSystem files;
    IniStore store(files);
    CountingAllocator memory;
    auto call = [&](std::uint32_t command, std::vector<ArgRecord> args) {
        return call_ini_command(store, memory, command, args);
    };
    auto take = [&](std::optional<std::uint64_t> result) {
        char* text = reinterpret_cast<char*>(static_cast<std::uintptr_t>(*result));
        EXPECT_NE(text, nullptr);
        std::string out = text != nullptr ? text : "<null>";
        memory.release(text);
        return out;
    };
    const ArgRecord path = text_arg(kPath.c_str());
    EXPECT_EQ(take(call(command::ini_read, {path, text_arg("表"), text_arg("时表"), omitted_arg()})), "");
    EXPECT_EQ(call(command::ini_write, {path, text_arg("表"), text_arg("时表"), text_arg("A@B@")}), 1u);
    EXPECT_EQ(take(call(command::ini_read, {path, text_arg("表"), text_arg("时表"), omitted_arg()})), "A@B@");
    // A default text answers for a missing item only.
    EXPECT_EQ(take(call(command::ini_read, {path, text_arg("表"), text_arg("铃声"), text_arg("d")})), "d");
    EXPECT_EQ(call(command::ini_write, {path, text_arg("表"), text_arg("铃声"), text_arg("")}), 1u);
    EXPECT_EQ(take(call(command::ini_read, {path, text_arg("表"), text_arg("铃声"), text_arg("d")})), "");
    // Malformed calls store nothing.
    EXPECT_EQ(call(command::ini_write, {path, text_arg("表"), int_arg(1), text_arg("x")}), 0u);
    EXPECT_EQ(call(command::ini_write, {path, text_arg("表"), text_arg("时表"), text_arg("a\nb")}), 0u);
    EXPECT_EQ(call(command::ini_read, {path, logical_arg(true), text_arg("时表")}), 0u);
    EXPECT_FALSE(call(command::now, {}).has_value());
    EXPECT_EQ(store.read(kPath, "表", "时表"), "A@B@");
    EXPECT_TRUE(memory.balanced());
}

class PosixIniStore : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "tockly-ini-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        path = (folder / "data.ini").string();
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename());
        return names;
    }
    std::filesystem::path folder;
    std::string path;
};

TEST_F(PosixIniStore, ReplacesTheFileWholeAndLeavesNoTemporaryFile) {
    PosixFileSystem files;
    IniStore store(files);
    const std::string big(10u << 20, '\xb1');
    ASSERT_TRUE(store.write(path, "表", "时表", big));
    ASSERT_TRUE(store.write(path, "表", "铃声", "D:\\a.mp3"));
    EXPECT_EQ(store.read(path, "表", "时表"), big);
    EXPECT_EQ(store.read(path, "表", "铃声"), "D:\\a.mp3");
    EXPECT_EQ(entries(), std::vector<std::string>{"data.ini"});

    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(store.write(path, "表", "时表", "A@"));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);  // a replaced file keeps its permissions
    EXPECT_EQ(files.read_file(path).bytes, "[表]\r\n时表=A@\r\n铃声=D:\\a.mp3\r\n");
}

TEST_F(PosixIniStore, AReadBufferUsedAgainHoldsExactlyTheFileReadLast) {
    PosixFileSystem files;
    FileRead buffer;
    ASSERT_TRUE(files.replace_file(path, std::string(1u << 20, 'x')));
    files.read_file(path, buffer);
    ASSERT_EQ(buffer.bytes.size(), 1u << 20);
    const std::string_view pieces[] = {"[s]\r\n", "k=", "v", "\r\n"};
    ASSERT_TRUE(files.replace_file(path, pieces));
    files.read_file(path, buffer);
    EXPECT_EQ(buffer.status, FileRead::Status::ok);
    EXPECT_EQ(buffer.bytes, "[s]\r\nk=v\r\n");
    files.read_file((folder / "none.ini").string(), buffer);
    EXPECT_EQ(buffer.status, FileRead::Status::missing);
    EXPECT_EQ(buffer.bytes, "");
}

TEST_F(PosixIniStore, FailuresReportFalseAndKeepTheOldFile) {
    PosixFileSystem files;
    IniStore store(files);
    EXPECT_EQ(files.read_file((folder / "none.ini").string()).status, FileRead::Status::missing);
    EXPECT_EQ(files.read_file(folder.string()).status, FileRead::Status::failed);  // a folder
    EXPECT_FALSE(store.write((folder / "no-such-folder" / "data.ini").string(), "表", "时表", "A@"));

    ASSERT_TRUE(store.write(path, "表", "时表", "A@"));
    if (::geteuid() != 0) {  // root writes into read-only folders anyway
        ::chmod(folder.c_str(), 0500);
        EXPECT_FALSE(store.write(path, "表", "时表", "B@"));
        ::chmod(folder.c_str(), 0700);
        EXPECT_EQ(store.read(path, "表", "时表"), "A@");
    }
    EXPECT_EQ(entries(), std::vector<std::string>{"data.ini"});

    // A file the user marked read-only is left as it is.
    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(store.write(path, "表", "时表", "C@"));
    EXPECT_EQ(store.read(path, "表", "时表"), "A@");
    EXPECT_EQ(entries(), std::vector<std::string>{"data.ini"});
}

TEST_F(PosixIniStore, TheFirstTouchRemovesOnlyStaleTemporaryFilesOfOurs) {
    auto touch = [&](const std::string& name) { std::ofstream(folder / name) << "partial"; };
    // A process id that cannot be running (above the kernel's limit), one that is (ours, and
    // our parent), and names that only look like ours.
    const std::string dead = "data.ini.tmp-2147483647-0";
    const std::string running = "data.ini.tmp-" + std::to_string(::getppid()) + "-3";
    const std::vector<std::string> kept = {running,
                                           "data.ini.tmp-2147483647-x",
                                           "data.ini.tmp-2147483647",
                                           "other.ini.tmp-2147483647-0",
                                           "data.ini.tmp-02147483647-0",
                                           "data.ini.bak"};
    touch(dead);
    for (const auto& name : kept) touch(name);
    PosixFileSystem files;
    IniStore store(files);
    EXPECT_EQ(store.read(path, "表", "时表"), "");
    auto now = entries();
    std::sort(now.begin(), now.end());
    auto want = kept;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(now, want);
    // Only the first touch looks: a temporary file that appears later is left to the next start.
    touch(dead);
    ASSERT_TRUE(store.write(path, "表", "时表", "A@"));
    EXPECT_TRUE(std::filesystem::exists(folder / dead));
}

}  // namespace
}  // namespace tockly::host

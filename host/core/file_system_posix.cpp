#include "host/core/file_system_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "host/core/temporary_file_name.h"

namespace tockly::host {

namespace {
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { close(); }
    int get() const { return fd_; }
    bool close() {
        if (fd_ < 0) return true;
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }

  private:
    int fd_;
};

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string name_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool process_running(std::uint32_t pid) {
    if (pid == 0 || pid > 0x7FFFFFFF) return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}
}  // namespace

void PosixFileSystem::read_file(const std::string& path, FileRead& into) {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        into.status = errno == ENOENT ? FileRead::Status::missing : FileRead::Status::failed;
        into.bytes.clear();
        return;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        into.status = FileRead::Status::failed;
        into.bytes.clear();
        return;
    }
    // Straight into the buffer, one byte more than the file's size so that a file that grew
    // meanwhile is noticed and read on. The buffer's old bytes are overwritten, not cleared first.
    std::size_t have = 0;
    into.bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
    for (;;) {
        if (have == into.bytes.size()) into.bytes.resize(have + (1 << 16));
        const ssize_t n = ::read(fd.get(), into.bytes.data() + have, into.bytes.size() - have);
        if (n < 0) {
            if (errno == EINTR) continue;
            into.status = FileRead::Status::failed;
            into.bytes.clear();
            return;
        }
        if (n == 0) break;
        have += static_cast<std::size_t>(n);
    }
    into.bytes.resize(have);
    into.status = FileRead::Status::ok;
}

bool PosixFileSystem::replace_file(const std::string& path, std::span<const std::string_view> pieces) {
    static std::atomic<std::uint32_t> serial{0};
    const std::string temp =
        temporary_file_name<char>(path, static_cast<std::uint32_t>(::getpid()), serial++);

    // A replaced file keeps its permissions; one marked read-only is the user's to keep.
    mode_t mode = 0666;
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) {
        if ((old.st_mode & S_IWUSR) == 0) return false;
        mode = old.st_mode & 07777;
    }

    Descriptor fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (fd.get() < 0) return false;
    bool written = true;
    for (std::string_view piece : pieces) written = written && write_all(fd.get(), piece);
    written = written && ::fsync(fd.get()) == 0;
    if (!fd.close() || !written || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; the new file is in place whether or not this succeeds.
    Descriptor folder(::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) ::fsync(folder.get());
    return true;
}

void PosixFileSystem::remove_stale_temporaries(const std::string& path) {
    const std::string folder = folder_of(path);
    const std::string name = name_of(path);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    const auto own = static_cast<std::uint32_t>(::getpid());
    while (const dirent* entry = ::readdir(dir)) {
        const auto owner = temporary_file_owner<char>(entry->d_name, name);
        if (!owner || *owner == own || process_running(*owner)) continue;
        ::unlink((folder + "/" + entry->d_name).c_str());
    }
    ::closedir(dir);
}

}  // namespace tockly::host

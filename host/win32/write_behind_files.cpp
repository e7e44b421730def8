#include "host/win32/write_behind_files.h"

#include <utility>

namespace tockly::host::win32 {

namespace {
class Locked {
  public:
    explicit Locked(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
    ~Locked() { LeaveCriticalSection(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

  private:
    CRITICAL_SECTION& lock_;
};
}  // namespace

WriteBehindFiles::WriteBehindFiles(FileSystem& inner, Written written)
    : inner_(inner), written_(std::move(written)) {
    InitializeCriticalSection(&lock_);
    InitializeConditionVariable(&work_);
    InitializeConditionVariable(&idle_);
    thread_ = CreateThread(nullptr, 0, writer_main, this, 0, nullptr);
}

WriteBehindFiles::~WriteBehindFiles() {
    if (thread_ != nullptr) {
        {
            Locked locked(lock_);
            ending_ = true;
        }
        WakeAllConditionVariable(&work_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    DeleteCriticalSection(&lock_);
}

const WriteBehindFiles::Replacement* WriteBehindFiles::newest_for(const std::string& path) const {
    for (auto it = waiting_.rbegin(); it != waiting_.rend(); ++it) {
        if (it->path == path) return &*it;
    }
    if (busy_ && writing_.path == path) return &writing_;
    return nullptr;
}

void WriteBehindFiles::read_file(const std::string& path, FileRead& into) {
    {
        Locked locked(lock_);
        if (const Replacement* pending = newest_for(path)) {
            into.status = FileRead::Status::ok;
            into.bytes.assign(pending->bytes);
            return;
        }
    }
    inner_.read_file(path, into);
}

bool WriteBehindFiles::replace_file(const std::string& path, std::span<const std::string_view> pieces) {
    if (thread_ == nullptr) return inner_.replace_file(path, pieces);
    std::string bytes;
    {
        Locked locked(lock_);
        bytes.swap(spare_);
    }
    bytes.clear();
    append_pieces(bytes, pieces);
    {
        Locked locked(lock_);
        // An older replacement of the same file that has not begun is superseded: the file goes
        // straight to its newest content.
        for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
            if (it->path == path) {
                waiting_.erase(it);
                break;
            }
        }
        waiting_.push_back(Replacement{path, std::move(bytes)});
    }
    WakeConditionVariable(&work_);
    return true;
}

void WriteBehindFiles::flush() {
    if (thread_ == nullptr) return;
    Locked locked(lock_);
    while (busy_ || !waiting_.empty()) SleepConditionVariableCS(&idle_, &lock_, INFINITE);
}

DWORD WINAPI WriteBehindFiles::writer_main(void* self) {
    static_cast<WriteBehindFiles*>(self)->write_all();
    return 0;
}

void WriteBehindFiles::write_all() {
    EnterCriticalSection(&lock_);
    for (;;) {
        while (waiting_.empty() && !ending_) SleepConditionVariableCS(&work_, &lock_, INFINITE);
        if (waiting_.empty()) break;  // ending, and everything written
        writing_ = std::move(waiting_.front());
        waiting_.pop_front();
        busy_ = true;
        LeaveCriticalSection(&lock_);
        // A failed replacement leaves the old file whole; the next save tries again.
        const bool stored = inner_.replace_file(writing_.path, writing_.bytes);
        if (written_) written_(writing_.path, stored);
        EnterCriticalSection(&lock_);
        busy_ = false;
        if (writing_.bytes.capacity() > spare_.capacity()) spare_.swap(writing_.bytes);
        writing_ = Replacement{};
        if (waiting_.empty()) WakeAllConditionVariable(&idle_);
    }
    LeaveCriticalSection(&lock_);
}

}  // namespace tockly::host::win32

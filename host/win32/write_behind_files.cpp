#include "host/win32/write_behind_files.h"

#include <cstdint>
#include <string_view>
#include <utility>

#include "host/core/busy_file_retry.h"

namespace tockly::host::win32 {

WriteBehindFiles::WriteBehindFiles(FileSystem& inner, Written written)
    : inner_(inner), written_(std::move(written)) {
    start_writer();
}

void WriteBehindFiles::start_writer() {
    work_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    idle_.reset(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    if (work_ && idle_) thread_.reset(CreateThread(nullptr, 0, writer_main, this, 0, nullptr));
    if (thread_) return;
    // Without a writer, replacements are made in place.
    work_.reset();
    idle_.reset();
}

WriteBehindFiles::~WriteBehindFiles() {
    if (!thread_) return;
    {
        LockGuard locked(lock_);
        ending_ = true;
    }
    SetEvent(work_.get());
    WaitForSingleObject(thread_.get(), INFINITE);
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
        LockGuard locked(lock_);
        if (const Replacement* pending = newest_for(path)) {
            into.status = FileRead::Status::ok;
            into.bytes.assign(pending->bytes);
            return;
        }
    }
    inner_.read_file(path, into);
    if (into.status != FileRead::Status::busy) return;
    // Held by another program for a moment: what this writer last stored there is its content.
    LockGuard locked(lock_);
    if (last_stored_.path != path) return;
    into.status = FileRead::Status::ok;
    into.bytes.assign(last_stored_.bytes);
}

bool WriteBehindFiles::replace_file(const std::string& path, std::span<const std::string_view> pieces) {
    if (!thread_) return inner_.replace_file(path, pieces);
    std::string bytes;
    {
        LockGuard locked(lock_);
        // The last content stored of this file gives way to the newer one, which reads see from
        // now on; its memory serves the new content.
        if (last_stored_.path == path) {
            bytes.swap(last_stored_.bytes);
            last_stored_ = Replacement{};
        } else {
            bytes.swap(spare_);
        }
    }
    bytes.clear();
    append_pieces(bytes, pieces);
    {
        LockGuard locked(lock_);
        // An older replacement of the same file that has not begun is superseded: the file goes
        // straight to its newest content.
        for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
            if (it->path == path) {
                waiting_.erase(it);
                break;
            }
        }
        waiting_.push_back(Replacement{path, std::move(bytes)});
        ResetEvent(idle_.get());
    }
    SetEvent(work_.get());
    return true;
}

void WriteBehindFiles::flush() {
    if (!thread_) return;
    WaitForSingleObject(idle_.get(), INFINITE);
}

DWORD WINAPI WriteBehindFiles::writer_main(void* self) {
    static_cast<WriteBehindFiles*>(self)->write_all();
    return 0;
}

bool WriteBehindFiles::take_next() {
    for (;;) {
        {
            LockGuard locked(lock_);
            if (!waiting_.empty()) {
                writing_ = std::move(waiting_.front());
                waiting_.pop_front();
                busy_ = true;
                return true;
            }
            if (ending_) return false;  // everything written
        }
        WaitForSingleObject(work_.get(), INFINITE);
    }
}

void WriteBehindFiles::take_newer_of_current() {
    LockGuard locked(lock_);
    // Only the next in line: a replacement of another file handed over before it keeps its turn.
    if (waiting_.empty() || waiting_.front().path != writing_.path) return;
    writing_ = std::move(waiting_.front());
    waiting_.pop_front();
}

ReplaceOutcome WriteBehindFiles::write_current() {
    return ride_out_busy_file(
        [this] {
            const std::string_view bytes = writing_.bytes;
            return inner_.try_replace_file(writing_.path, std::span<const std::string_view>(&bytes, 1));
        },
        [this](std::uint32_t ms) {
            if (written_) written_(writing_.path, ReplaceOutcome::busy);
            Sleep(ms);
            take_newer_of_current();
        });
}

void WriteBehindFiles::write_all() {
    while (take_next()) {
        // A failed replacement leaves the old file whole; the next save tries again.
        const ReplaceOutcome outcome = write_current();
        if (written_)
            written_(writing_.path,
                     outcome == ReplaceOutcome::stored ? ReplaceOutcome::stored : ReplaceOutcome::failed);
        LockGuard locked(lock_);
        busy_ = false;
        if (outcome == ReplaceOutcome::stored) {
            if (last_stored_.bytes.capacity() > spare_.capacity()) spare_.swap(last_stored_.bytes);
            last_stored_ = std::move(writing_);
        } else if (writing_.bytes.capacity() > spare_.capacity()) {
            spare_.swap(writing_.bytes);
        }
        writing_ = Replacement{};
        if (waiting_.empty()) SetEvent(idle_.get());
    }
}

}  // namespace tockly::host::win32

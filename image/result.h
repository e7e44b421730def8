// Errors found in input are values, never exceptions: every reader returns a Result.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace tockly::image {

// What went wrong, where: the field that was being read, the byte offset of that field in
// the input it was read from, and the value found there (when there is one).
struct Error {
    std::string field;
    std::uint64_t offset = 0;
    std::uint64_t value = 0;
    bool has_value = false;
    std::string reason;

    // "field 'segment.next' at offset 0x1234: value 0xffff0000: points past the end of the image"
    std::string message() const;
};

Error make_error(std::string field, std::uint64_t offset, std::string reason);
Error make_error(std::string field, std::uint64_t offset, std::uint64_t value, std::string reason);

template <typename T>
class [[nodiscard]] Result {
  public:
    Result(T value) : state_(std::move(value)) {}
    Result(Error error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    // By value: a temporary Result's value outlives the Result (safe in range-for and the like).
    T value() && { return std::get<0>(std::move(state_)); }
    const Error& error() const { return std::get<1>(state_); }

    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

  private:
    std::variant<T, Error> state_;
};

// A Result that carries no value on success.
struct Ok {};
using Status = Result<Ok>;

}  // namespace tockly::image

// Early returns for Results: when the expression failed, its error is returned from the
// enclosing function (whose Result type takes an Error).
// TOCKLY_TRY(size, cur.u32("x.size")); declares `size` as the Result; then *size is the value.
#define TOCKLY_TRY(name, ...)  \
    auto name = (__VA_ARGS__); \
    if (!name) return name.error()
// TOCKLY_TRY_ASSIGN(window.id, cur.u32("x.id")); moves the value into something that exists.
#define TOCKLY_TRY_ASSIGN(target, ...)                              \
    do {                                                            \
        auto tockly_try_result_ = (__VA_ARGS__);                    \
        if (!tockly_try_result_) return tockly_try_result_.error(); \
        (target) = std::move(*tockly_try_result_);                  \
    } while (0)
// TOCKLY_CHECK(r.finish()); for a Result whose value is not needed.
#define TOCKLY_CHECK(...)                                           \
    do {                                                            \
        auto tockly_try_result_ = (__VA_ARGS__);                    \
        if (!tockly_try_result_) return tockly_try_result_.error(); \
    } while (0)

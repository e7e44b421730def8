#include "image/json/gbk_text.h"

#include <iconv.h>

#include <cerrno>

#include "image/gbk_bytes.h"
#include "image/hex_text.h"

namespace tockly::image {

namespace {

// One conversion direction through iconv, opened once per thread.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts one whole character; false when it does not convert completely.
    bool convert(std::string_view in, std::string& out) {
        if (!ok()) return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[16];
        char* src = const_cast<char*>(in.data());
        std::size_t src_left = in.size();
        char* dst = buffer;
        std::size_t dst_left = sizeof buffer;
        if (iconv(cd_, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1) || src_left != 0) {
            return false;
        }
        // Flush any shift state; GBK has none, but be exact.
        if (iconv(cd_, nullptr, nullptr, &dst, &dst_left) == static_cast<std::size_t>(-1)) return false;
        out.assign(buffer, sizeof buffer - dst_left);
        return !out.empty();
    }

  private:
    iconv_t cd_;
};

Converter& to_utf8() {
    thread_local Converter c("UTF-8", "GBK");
    return c;
}

Converter& to_gbk() {
    thread_local Converter c("GBK", "UTF-8");
    return c;
}

bool is_trail(unsigned char b) {
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string escape(unsigned char b) {
    return "\\x" + hex_digits(b, 2);
}

}  // namespace

std::string gbk_to_display(std::string_view gbk) {
    std::string out, utf8, back;
    out.reserve(gbk.size());
    // A backslash of the text is doubled when what follows it would otherwise read as an escape.
    bool after_backslash = false;
    const auto append = [&](std::string_view piece) {
        if (after_backslash && (piece[0] == '\\' || piece[0] == 'x')) out += '\\';
        out += piece;
        after_backslash = piece == "\\";
    };
    for (std::size_t i = 0; i < gbk.size();) {
        const auto b = static_cast<unsigned char>(gbk[i]);
        if (b < 0x80) {
            append(gbk.substr(i, 1));
            ++i;
            continue;
        }
        if (is_gbk_lead_byte(b) && i + 1 < gbk.size() && is_trail(static_cast<unsigned char>(gbk[i + 1]))) {
            std::string_view pair = gbk.substr(i, 2);
            if (to_utf8().convert(pair, utf8) && to_gbk().convert(utf8, back) && back == pair) {
                append(utf8);
                i += 2;
                continue;
            }
        }
        append(escape(b));
        ++i;
    }
    return out;
}

Result<std::string> gbk_from_display(std::string_view text) {
    std::string out, gbk;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b == '\\') {
            if (i + 1 < text.size() && text[i + 1] == '\\') {
                out += '\\';
                i += 2;
            } else if (i + 3 < text.size() && text[i + 1] == 'x' && hex_value(text[i + 2]) >= 0 &&
                       hex_value(text[i + 3]) >= 0) {
                out += static_cast<char>(hex_value(text[i + 2]) * 16 + hex_value(text[i + 3]));
                i += 4;
            } else {
                out += '\\';
                ++i;
            }
            continue;
        }
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        std::size_t len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        if (len == 0 || i + len > text.size()) {
            return make_error("text", i, b, "not UTF-8");
        }
        if (!to_gbk().convert(text.substr(i, len), gbk)) {
            return make_error("text", i, "character has no GBK form (write its bytes as \\xHH)");
        }
        out += gbk;
        i += len;
    }
    return out;
}

}  // namespace tockly::image

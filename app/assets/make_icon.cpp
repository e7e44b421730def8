// Draws Tockly's icon and writes it as a Windows icon file holding five 32-bit images of 128, 96,
// 64, 48 and 32 pixels: a glossy silver ring with a ship's-wheel emblem inside and three swept
// strokes at its upper right. Deterministic: the same program always writes the same bytes.
//
//   g++ -std=c++20 -O2 -o make_icon make_icon.cpp && ./make_icon tockly.ico
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rgba {  // straight (not premultiplied) colour, 0..1
    double r, g, b, a;
};

// Premultiplied accumulator: paints layers bottom to top with the usual "over" rule.
struct Pixel {
    double r = 0, g = 0, b = 0, a = 0;
    void over(const Rgba& c) {
        const double k = c.a;
        r = c.r * k + r * (1 - k);
        g = c.g * k + g * (1 - k);
        b = c.b * k + b * (1 - k);
        a = k + a * (1 - k);
    }
};

double clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}
Rgba mix(const Rgba& x, const Rgba& y, double t) {
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

// Distance from point p to the segment a-b.
double segment_distance(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double t = clamp01(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy));
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// The scene at one point, x to the right and y upward, the icon spanning -1..1.
Pixel paint(double x, double y) {
    Pixel p;
    const double cx = -0.06, cy = -0.06;  // the ring sits a little low-left to leave room for the strokes
    const double dx = x - cx, dy = y - cy;
    const double r = std::hypot(dx, dy);
    const double angle = std::atan2(dy, dx);

    // Face: a pale blue disc inside the ring, lighter towards the top.
    if (r < 0.70) p.over(mix({0.78, 0.86, 0.94, 1}, {0.97, 0.99, 1.0, 1}, clamp01((dy / 0.70 + 1) / 2)));

    // Ring: brushed silver, lit from the upper left, with a bright gloss band and dark edges.
    if (r >= 0.66 && r <= 0.86) {
        const double across = (r - 0.66) / 0.20;                 // 0 inner edge .. 1 outer edge
        const double light = 0.5 + 0.5 * std::cos(angle - 2.2);  // facing the light
        const double bevel = std::sin(across * kPi);             // round cross-section
        double v = 0.45 + 0.35 * light * bevel + 0.15 * bevel;
        const double gloss = std::exp(-std::pow((across - 0.35) / 0.12, 2)) * (0.4 + 0.6 * light);
        v = clamp01(v + 0.45 * gloss);
        Rgba silver{v * 0.97, v * 0.98, v, 1};
        if (across < 0.08 || across > 0.92) silver = mix(silver, {0.25, 0.28, 0.32, 1}, 0.7);
        p.over(silver);
    }

    // Ship's wheel: rim, eight spokes with handles beyond the rim, and a hub.
    const Rgba steel{0.12, 0.22, 0.38, 1};
    const Rgba brass{0.80, 0.62, 0.22, 1};
    bool wheel = (r >= 0.36 && r <= 0.44) || r <= 0.13;
    for (int k = 0; k < 8; ++k) {
        const double a = k * kPi / 4 + kPi / 8;
        const double ex = std::cos(a), ey = std::sin(a);
        if (segment_distance(dx, dy, 0, 0, ex * 0.52, ey * 0.52) <= 0.035) wheel = true;
        if (std::hypot(dx - ex * 0.55, dy - ey * 0.55) <= 0.065) wheel = true;
    }
    if (wheel) p.over(steel);
    if (r <= 0.07) p.over(brass);

    // Three swept strokes at the upper right, tapering towards their ends.
    for (int k = 0; k < 3; ++k) {
        const double radius = 0.90 + 0.08 * k;
        const double from = 0.12 + 0.12 * k, to = 1.30 - 0.14 * k;  // radians
        if (angle < from || angle > to) continue;
        const double t = (angle - from) / (to - from);
        const double half_width = 0.035 * std::sin(t * kPi);
        if (std::fabs(r - radius) <= half_width) p.over({0.16, 0.42, 0.78, 0.95});
    }
    return p;
}

// One size, anti-aliased with 4x4 samples per pixel; rows bottom-up in BGRA as icons store them.
std::vector<std::uint8_t> render(int size) {
    std::vector<std::uint8_t> bgra(static_cast<std::size_t>(size) * size * 4);
    constexpr int kSamples = 4;
    for (int row = 0; row < size; ++row) {
        for (int col = 0; col < size; ++col) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double x = ((col + (sx + 0.5) / kSamples) / size) * 2 - 1;
                    const double y = 1 - ((row + (sy + 0.5) / kSamples) / size) * 2;
                    const Pixel p = paint(x, y);
                    r += p.r, g += p.g, b += p.b, a += p.a;
                }
            }
            const double n = kSamples * kSamples;
            r /= n, g /= n, b /= n, a /= n;
            const auto byte = [](double v) {
                return static_cast<std::uint8_t>(std::lround(clamp01(v) * 255));
            };
            const std::size_t out = (static_cast<std::size_t>(size - 1 - row) * size + col) * 4;
            bgra[out + 0] = a > 0 ? byte(b / a) : 0;
            bgra[out + 1] = a > 0 ? byte(g / a) : 0;
            bgra[out + 2] = a > 0 ? byte(r / a) : 0;
            bgra[out + 3] = byte(a);
        }
    }
    return bgra;
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A 32-bit icon image: the bitmap header (twice the height: colour plus mask), the colour rows and
// an all-zero mask, whose rows are padded to four bytes; the alpha channel carries the shape.
std::vector<std::uint8_t> icon_image(int size) {
    std::vector<std::uint8_t> out;
    put32(out, 40);
    put32(out, size);
    put32(out, size * 2);
    put16(out, 1);   // planes
    put16(out, 32);  // bits per pixel
    put32(out, 0);   // no compression
    const std::uint32_t mask_row = ((size + 31) / 32) * 4;
    put32(out, size * size * 4 + mask_row * size);
    for (int i = 0; i < 4; ++i) put32(out, 0);
    const std::vector<std::uint8_t> pixels = render(size);
    out.insert(out.end(), pixels.begin(), pixels.end());
    out.insert(out.end(), static_cast<std::size_t>(mask_row) * size, 0);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.ico\n");
        return 2;
    }
    const int sizes[] = {128, 96, 64, 48, 32};
    std::vector<std::vector<std::uint8_t>> images;
    for (int size : sizes) images.push_back(icon_image(size));

    std::vector<std::uint8_t> file;
    put16(file, 0);  // reserved
    put16(file, 1);  // an icon
    put16(file, static_cast<unsigned>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        file.push_back(static_cast<std::uint8_t>(sizes[i]));  // width (256 would be 0)
        file.push_back(static_cast<std::uint8_t>(sizes[i]));  // height
        file.push_back(0);                                    // no palette
        file.push_back(0);                                    // reserved
        put16(file, 1);                                       // planes
        put16(file, 32);                                      // bits per pixel
        put32(file, static_cast<std::uint32_t>(images[i].size()));
        put32(file, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());

    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(file.data(), 1, file.size(), f) != file.size() || std::fclose(f) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}

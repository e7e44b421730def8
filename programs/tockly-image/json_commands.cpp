#include <iostream>

#include "image/json/image_json.h"
#include "programs/tockly-image/image_input.h"

namespace tockly::tool {

namespace {

// FILE [-o OUT]: the input and, when given, the output.
bool parse_in_out(const Args& args, std::string& in, std::string& out) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size() && out.empty()) {
            out = args[++i];
        } else if (in.empty() && !args[i].empty() && args[i][0] != '-') {
            in = args[i];
        } else {
            return false;
        }
    }
    return !in.empty();
}

}  // namespace

int run_to_json(const Args& args) {
    std::string in, out;
    if (!parse_in_out(args, in, out)) return fail("usage: tockly-image to-json FILE [-o OUT]");
    auto image = load_image(in);
    if (!image) return exit_bad_input;
    std::string text = image::image_to_json(*image).dump(2) + "\n";
    if (out.empty()) {
        std::cout << text;
        return std::cout.good() ? exit_ok : fail("cannot write the output");
    }
    if (!write_file(out, std::vector<std::uint8_t>(text.begin(), text.end())))
        return fail("cannot write " + out);
    return exit_ok;
}

int run_from_json(const Args& args) {
    std::string in, out;
    if (!parse_in_out(args, in, out) || out.empty())
        return fail("usage: tockly-image from-json FILE.json -o OUT");
    std::vector<std::uint8_t> text;
    if (!read_file(in, text)) return fail("cannot read " + in);
    auto json = nlohmann::ordered_json::parse(text.begin(), text.end(), nullptr, false);
    if (json.is_discarded()) return fail(in + ": not valid JSON");
    auto image = image::image_from_json(json);
    if (!image) {
        const auto& e = image.error();
        return fail(in + ": " + (e.field.empty() ? "" : e.field + ": ") + e.reason);
    }
    auto bytes = image::write_image(*image);
    if (!bytes) return fail(in + ": " + bytes.error().message());
    // Header words given by hand may contradict the chain; never write an image we cannot read.
    auto check = image::read_image(*bytes);
    if (!check) return fail(in + ": the image would not read back: " + check.error().message());
    if (!write_file(out, *bytes)) return fail("cannot write " + out);
    return exit_ok;
}

}  // namespace tockly::tool

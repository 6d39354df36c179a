// kvrender: printer bytes in, one PNG picture per page out, and a report of
// what the bytes hold. Reads a file or standard input, so it sits at the end
// of a pipe:  cupsfilter -p kvtspl2.ppd -m printer/foo -e label.pdf | kvrender - out/label
// Exit status: 0 all understood, 1 usage or file error, 2 damaged bytes (the
// pages before the damage are still written).
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "render/png_writer.h"
#include "render/render.h"
#include "render/report.h"

namespace {

constexpr const char* kUsage =
    "usage: kvrender [--dpi N] [--language tspl|zpl|cpcl|escpos|device] [--quiet] INPUT|- OUTPUT_PREFIX\n"
    "  writes OUTPUT_PREFIX-1.png, -2.png ... (one per page) and prints what it found\n"
    "  --dpi N       printer resolution for TSPL label sizes in mm and ESC/POS line feeds (default 203)\n"
    "  --language L  skip recognising the language from the first bytes\n"
    "  --quiet       print nothing but errors\n";

struct Args {
    std::string input, prefix;
    kvrender::Options options;
    bool quiet = false;
};

bool parseLanguage(const std::string& name, kvrender::Language& out) {
    using kvrender::Language;
    const std::pair<const char*, Language> names[] = {{"tspl", Language::Tspl},
                                                      {"zpl", Language::Zpl},
                                                      {"cpcl", Language::Cpcl},
                                                      {"escpos", Language::EscPos},
                                                      {"device", Language::Device}};
    for (const auto& [text, language] : names) {
        if (name == text) {
            out = language;
            return true;
        }
    }
    return false;
}

bool parseArgs(int argc, char** argv, Args& args) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--dpi" && i + 1 < argc) {
            const long dpi = std::strtol(argv[++i], nullptr, 10);
            if (dpi < 50 || dpi > 2400) return false;
            args.options.dpi = static_cast<uint32_t>(dpi);
        } else if (a == "--language" && i + 1 < argc) {
            if (!parseLanguage(argv[++i], args.options.language)) return false;
        } else if (a == "--quiet") {
            args.quiet = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return false;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) return false;
    args.input = positional[0];
    args.prefix = positional[1];
    return true;
}

bool readInput(const std::string& name, std::vector<uint8_t>& bytes) {
    if (name == "-") {
        std::vector<char> buffer(1 << 16);
        size_t n = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), stdin)) > 0)
            bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(n));
        return !std::ferror(stdin);
    }
    std::ifstream in(name, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool writePictures(const kvrender::Result& result, const std::string& prefix, std::vector<std::string>& names) {
    const std::filesystem::path parent = std::filesystem::path(prefix).parent_path();
    std::error_code ec;
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    for (size_t i = 0; i < result.pages.size(); ++i) {
        std::string error;
        const auto png = kvrender::encodePng(result.pages[i], error);
        const std::string name = prefix + "-" + std::to_string(i + 1) + ".png";
        std::ofstream out(name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
        if (png.empty() || !out) {
            std::fprintf(stderr, "kvrender: cannot write %s%s%s\n", name.c_str(), error.empty() ? "" : ": ",
                         error.c_str());
            return false;
        }
        names.push_back(name);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Args args;
    if (!parseArgs(argc, argv, args)) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    std::vector<uint8_t> bytes;
    if (!readInput(args.input, bytes)) {
        std::fprintf(stderr, "kvrender: cannot read %s: %s\n", args.input.c_str(), std::strerror(errno));
        return 1;
    }
    const kvrender::Result result = kvrender::render(bytes, args.options);
    std::vector<std::string> names;
    const bool written = writePictures(result, args.prefix, names);
    if (!args.quiet) std::fputs(kvrender::describe(result, names).c_str(), stdout);
    if (!result.ok()) {
        std::fprintf(stderr, "kvrender: damaged printer bytes: %s\n", result.error.c_str());
        return 2;
    }
    return written ? 0 : 1;
}

// Fuzz target: arbitrary bytes through the renderer in every language (the
// first byte picks the decoder, the rest is the stream) and, for what decodes,
// the PNG writer; within a small dot budget so huge claims are refused fast.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "render/png_writer.h"
#include "render/render.h"
#include "render/report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    using kvrender::Language;
    const Language languages[] = {Language::Unknown, Language::Tspl,   Language::Zpl,
                                  Language::Cpcl,    Language::EscPos, Language::Device};
    kvrender::Options options;
    options.language = languages[data[0] % 6];
    options.maxPageDots = 1 << 20;
    options.maxTotalDots = 1 << 22;
    const kvrender::Result result = kvrender::render(std::span(data + 1, size - 1), options);
    (void)kvrender::describe(result);
    for (const auto& page : result.pages) {
        std::string error;
        (void)kvrender::encodePng(page, error);
    }
    return 0;
}

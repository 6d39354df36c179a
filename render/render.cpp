// Entry of the renderer: recognises the language, runs its decoder, and turns
// damage into the result's error with the pages decoded before it.
#include "render/render.h"

#include <new>

#include "render/decoders.h"

namespace kvrender {

Language detectLanguage(std::span<const uint8_t> bytes) {
    ByteCursor in(bytes);
    if (in.startsWith("SIZE ")) return Language::Tspl;
    if (in.startsWith("^^XX")) return Language::SfZpl;
    if (in.startsWith("^XA")) return Language::Zpl;
    if (in.startsWith("! ")) return Language::Cpcl;
    if (!bytes.empty() && bytes[0] == 0xA3) return Language::Device;
    if (!bytes.empty() && (bytes[0] == 0x1B || bytes[0] == 0x1D || bytes[0] == 0x00)) return Language::EscPos;
    return Language::Unknown;
}

Result render(std::span<const uint8_t> bytes, const Options& options) {
    Result result;
    ByteCursor in(bytes);
    DecodeContext ctx{in, options, result};
    const Language language = options.language != Language::Unknown ? options.language : detectLanguage(bytes);
    try {
        switch (language) {
            case Language::Tspl:
            case Language::TwoColourTspl: decodeTspl(ctx); break;
            case Language::Zpl:
            case Language::SfZpl: decodeZpl(ctx); break;
            case Language::Cpcl: decodeCpcl(ctx); break;
            case Language::EscPos: decodeEscPos(ctx); break;
            case Language::Device: decodeDeviceFrames(ctx); break;
            case Language::Unknown:
                if (bytes.empty()) {
                    result.error = "no printer bytes";
                    return result;
                }
                in.fail(
                    "printer bytes: SIZE (TSPL), ^XA (ZPL), ! (CPCL), ESC @ or GS v 0 (ESC/POS) or A3 (device frame)");
        }
    } catch (const DecodeError& e) {
        result.error = e.what();
        result.errorOffset = e.offset;
    } catch (const std::bad_alloc&) {
        result.error = "byte " + std::to_string(in.pos()) + ": out of memory for the picture";
        result.errorOffset = in.pos();
    }
    return result;
}

}  // namespace kvrender

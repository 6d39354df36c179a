// Two-colour TSPL (black and red heads): SETCOLOR chooses the plane that the
// following BITMAP commands print on; the red plane comes with its density.
#include "render/decoders.h"

namespace kvrender {

Plane& tsplSelectColour(DecodeContext& ctx, Page& page, std::string_view argument, size_t at) {
    const auto fields = splitFields(argument, ' ');
    if (fields.size() == 1 && fields[0] == "BLACK") return page.black;
    int64_t density = 0;
    if (fields.size() == 2 && fields[0] == "RED" && parseInt(fields[1], density)) {
        setSetting(page, "red darkness", std::string(fields[1]));
        if (page.red.empty()) page.red = ctx.newPlane(page.width, page.height, at, "a red plane");
        return page.red;
    }
    ctx.in.failAt(at, "SETCOLOR BLACK or SETCOLOR RED <density>");
}

}  // namespace kvrender

// The test labels of the print-quality gate: where each symbol, the text, the
// grey patch and the gradient lie (in points from the top left corner), and
// the PostScript page that draws them, the symbols' modules coming from zint
// and qrencode.
#pragma once

#include <string>
#include <vector>

namespace kvquality {

struct Box {
    double x = 0, y = 0, w = 0, h = 0;  // points, y downwards from the page's top edge
};

enum class Symbology { Code128, Ean13, Qr, DataMatrix };

struct Symbol {
    Symbology kind;
    std::string data;     // what is encoded
    std::string decoded;  // what a reader returns (EAN-13 adds its check digit)
    int dotsPerModule;    // module size in dots of a 203 dpi printer
    Box box;              // filled in by the layout
};

struct GreyStep {
    double grey;  // 0 black .. 1 white
    Box box;
};

struct Label {
    std::string name;  // file name stem: "shipping", "receipt58" ...
    double widthPt = 0, heightPt = 0;
    Box content;    // nothing prints outside it
    Box bar;        // solid black registration bar at the top of the content
    Box greyPatch;  // 50 % grey, measured for halftoning
    std::vector<GreyStep> gradient;
    Box logo, photo;
    std::string line8, line6;  // the 8 pt and the 6 pt text lines
    std::vector<Symbol> symbols;
};

// The 4 x 6 in shipping label.
Label shippingLabel();
// A receipt on a roll of the given width whose head prints printWidthMm in the middle.
Label receiptLabel(double rollWidthMm, double printWidthMm, const std::string& name);
// Every label of the gate.
std::vector<Label> allLabels();

// Module rows of a symbol (true = dark), from zint or qrencode. Empty with
// `error` set when the tool is missing or fails.
std::vector<std::vector<bool>> symbolModules(const Symbol& symbol, std::string& error);
// Places the label's symbols (their sizes come from the modules) and returns
// the PostScript page; "" with `error` set on failure.
std::string labelPostScript(Label& label, std::string& error);

}  // namespace kvquality

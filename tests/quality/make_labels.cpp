// Build step of the print-quality gate: writes every test label as PostScript
// and turns it into PDF with Ghostscript.   kvquality_labels OUTPUT_DIR
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/quality/label_layout.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kvquality_labels OUTPUT_DIR\n");
        return 1;
    }
    const std::string dir = argv[1];
    for (kvquality::Label& label : kvquality::allLabels()) {
        std::string error;
        const std::string ps = kvquality::labelPostScript(label, error);
        if (ps.empty()) {
            std::fprintf(stderr, "%s: %s\n", label.name.c_str(), error.c_str());
            return 1;
        }
        const std::string psPath = dir + "/" + label.name + ".ps", pdfPath = dir + "/" + label.name + ".pdf";
        std::ofstream(psPath) << ps;
        const std::string gs =
            "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -o '" + pdfPath + "' '" + psPath + "'";
        if (std::system(gs.c_str()) != 0) {
            std::fprintf(stderr, "%s: ghostscript failed\n", label.name.c_str());
            return 1;
        }
    }
    return 0;
}

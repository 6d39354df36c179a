// The CUPS installation the system tests run against: a private ServerBin that
// holds the system's filters and backends plus the freshly built
// rastertokvlabel, so cupsfilter and cupsd run the filter under test.
#pragma once

#include <string>

namespace kvcups {

// Fills dir with filter/ (symlinks to every system filter and to the built
// filter) and links to the system's backend, daemon and other folders.
// Returns "" on success, else what went wrong.
std::string makeServerBin(const std::string& dir);

// The built filter, the sample PDF and the system's CUPS server directory.
inline std::string builtFilter() { return KV_FILTER_PATH; }
inline std::string samplePdf() { return KV_SAMPLE_PDF; }
inline std::string systemServerBin() { return KV_CUPS_SERVERBIN; }

}  // namespace kvcups

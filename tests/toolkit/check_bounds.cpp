// Resource check of the filter: for every built PPD (and none), inputs of under
// 10 KB that make the largest pages the filter accepts (header only, white,
// black, striped, RGBA, as many pages as fit), each with the print modes that
// choose different conversions. Every run is the real filter as CUPS starts
// it; its peak memory (maximum resident set) and CPU time are measured by the
// kernel. Prints one line per run and exits 1 when a run crashes or uses more
// than 256 MB or 5 s.
//   kvcheck_bounds [PPD-NAME-SUBSTRING]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "filter/page_loop.h"
#include "filter/settings_reader.h"
#include "tests/toolkit/toolkit.h"

namespace {

constexpr size_t kInputLimit = 10 * 1024;
constexpr long kMemoryLimitKb = 256 * 1024;
constexpr double kCpuLimitSeconds = 5.0;

enum class Fill { White, Black, Stripes };

struct PageShape {
    uint64_t width;
    uint64_t height;
    cups_cspace_t space;
    Fill fill;
    bool headerOnly;
};

uint32_t bytesPerPixel(cups_cspace_t space) { return space == CUPS_CSPACE_RGBA ? 4 : space == CUPS_CSPACE_RGB ? 3 : 1; }

// One row of the page: white, black, or 256-dot stripes of black and white.
void fillRow(std::vector<uint8_t>& row, const PageShape& shape) {
    const uint32_t bpp = bytesPerPixel(shape.space);
    for (size_t x = 0; x < shape.width; ++x) {
        const bool dark = shape.fill == Fill::Black || (shape.fill == Fill::Stripes && (x / 256) % 2 == 0);
        std::memset(&row[x * bpp], dark ? 0 : 255, bpp);
    }
}

// A compressed CUPS raster stream of the pages.
std::string stream(const std::vector<PageShape>& pages, const kvtest::TempDir& dir) {
    const std::string path = dir.file("input.ras");
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    cups_raster_t* ras = cupsRasterOpen(fd, CUPS_RASTER_WRITE_COMPRESSED);
    for (const PageShape& shape : pages) {
        const uint32_t bpp = bytesPerPixel(shape.space);
        cups_page_header2_t h{};
        h.cupsWidth = static_cast<unsigned>(shape.width);
        h.cupsHeight = static_cast<unsigned>(shape.height);
        h.cupsBytesPerLine = static_cast<unsigned>(shape.width * bpp);
        h.cupsBitsPerColor = 8;
        h.cupsBitsPerPixel = 8 * bpp;
        h.cupsColorSpace = shape.space;
        h.HWResolution[0] = h.HWResolution[1] = 300;
        h.NumCopies = 1;
        cupsRasterWriteHeader2(ras, &h);
        if (shape.headerOnly) break;
        std::vector<uint8_t> row(h.cupsBytesPerLine);
        fillRow(row, shape);
        for (uint64_t y = 0; y < shape.height; ++y) cupsRasterWritePixels(ras, row.data(), h.cupsBytesPerLine);
    }
    cupsRasterClose(ras);
    close(fd);
    return kvtest::readFile(path);
}

struct Measured {
    int status = -1;
    int signal = 0;
    long maxRssKb = 0;
    double cpuSeconds = 0;
    double wallSeconds = 0;
};

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

Measured runFilter(const std::string& ppd, const std::string& options, const std::string& input,
                   const kvtest::TempDir& dir) {
    const std::string inputPath = dir.file("job.ras");
    std::ofstream(inputPath, std::ios::binary) << input;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open(inputPath.c_str(), O_RDONLY);
        const int null = open("/dev/null", O_WRONLY);
        dup2(in, 0);
        dup2(null, 1);
        dup2(null, 2);
        if (ppd.empty()) {
            unsetenv("PPD");
        } else {
            setenv("PPD", ppd.c_str(), 1);
        }
        execl(KV_FILTER_UNDER_TEST, KV_FILTER_UNDER_TEST, dir.path().c_str(), "rastertokvlabel", "1", "user", "title",
              "1", options.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Measured m;
    m.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    m.maxRssKb = usage.ru_maxrss;
    if (WIFEXITED(status)) m.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) m.signal = WTERMSIG(status);
    return m;
}

// The largest page the filter takes with this PPD, as the filter works it out.
PageLimit limitFor(const std::string& ppd) {
    if (ppd.empty()) {
        unsetenv("PPD");
    } else {
        setenv("PPD", ppd.c_str(), 1);
    }
    JobSettings settings{};
    set_pstops_with_ppd(&settings);
    devType = 1;
    odmType = 28;
    return largestPage(&settings);
}

struct Input {
    std::string name;
    std::string bytes;
};

std::vector<Input> inputsFor(const PageLimit& limit, const kvtest::TempDir& dir) {
    const PageShape white{limit.width, limit.height, CUPS_CSPACE_W, Fill::White, false};
    std::vector<Input> inputs = {
        {"header only", stream({{white.width, white.height, CUPS_CSPACE_W, Fill::White, true}}, dir)},
        {"white", stream({white}, dir)},
        {"black", stream({{white.width, white.height, CUPS_CSPACE_W, Fill::Black, false}}, dir)},
        {"stripes", stream({{white.width, white.height, CUPS_CSPACE_W, Fill::Stripes, false}}, dir)},
        {"RGBA stripes", stream({{white.width, white.height, CUPS_CSPACE_RGBA, Fill::Stripes, false}}, dir)},
        {"RGBA 1/4 width", stream({{white.width / 4, white.height, CUPS_CSPACE_RGBA, Fill::Stripes, false}}, dir)},
    };
    std::vector<PageShape> pages = {white};
    std::string many = stream(pages, dir);
    for (;;) {
        pages.push_back(white);
        std::string more = stream(pages, dir);
        if (more.size() >= kInputLimit) break;
        many = std::move(more);
    }
    inputs.push_back({std::to_string(pages.size() - 1) + " white pages", many});
    // The same pages but the last one cut after its header: a whole white page
    // for 1.8 KB.
    pages.back().headerOnly = true;
    for (;;) {
        std::string cut = stream(pages, dir);
        if (cut.size() < kInputLimit || pages.size() == 1) {
            inputs.push_back({std::to_string(pages.size()) + " pages, cut", cut});
            break;
        }
        pages.pop_back();
        pages.back().headerOnly = true;
    }
    return inputs;
}

const char* const kModes[] = {
    "", "PrintMode=0", "PrintMode=6", "PrintMode=7", "PrintMode=8", "PrintMode=9", "PrintMode=11 PositioningMode=1"};

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    std::vector<std::string> ppds = {""};
    for (const auto& entry : std::filesystem::directory_iterator(KV_PPD_DIR)) ppds.push_back(entry.path().string());
    std::sort(ppds.begin(), ppds.end());
    kvtest::TempDir dir;
    int failures = 0;
    double worstCpu = 0;
    long worstRss = 0;
    std::printf("%-12s %-16s %-31s %6s %9s %7s %7s %s\n", "ppd", "input", "options", "bytes", "peak MB", "cpu s",
                "wall s", "exit");
    for (const std::string& ppd : ppds) {
        const std::string name = ppd.empty() ? "(none)" : std::filesystem::path(ppd).stem().string();
        if (!only.empty() && name.find(only) == std::string::npos) continue;
        const PageLimit limit = limitFor(ppd);
        for (const Input& input : inputsFor(limit, dir)) {
            if (input.bytes.size() >= kInputLimit) continue;  // not a small input: nothing to check
            for (const char* options : kModes) {
                const Measured m = runFilter(ppd, options, input.bytes, dir);
                const bool bad =
                    m.signal != 0 || m.status > 1 || m.maxRssKb > kMemoryLimitKb || m.cpuSeconds > kCpuLimitSeconds;
                failures += bad ? 1 : 0;
                worstCpu = std::max(worstCpu, m.cpuSeconds);
                worstRss = std::max(worstRss, m.maxRssKb);
                std::string note = bad ? "  <-- over" : "";
                if (input.name == "white" && options[0] == '\0') {
                    note += "  (" + std::to_string(limit.width) + " x " + std::to_string(limit.height) + " dots)";
                }
                std::printf("%-12s %-16s %-31s %6zu %9.1f %7.2f %7.2f %d%s\n", name.c_str(), input.name.c_str(),
                            options, input.bytes.size(), static_cast<double>(m.maxRssKb) / 1024, m.cpuSeconds,
                            m.wallSeconds, m.signal != 0 ? -m.signal : m.status, note.c_str());
                std::fflush(stdout);
            }
        }
    }
    std::printf("worst: %.1f MB peak, %.2f s CPU; %d run(s) over 256 MB / 5 s or crashed\n",
                static_cast<double>(worstRss) / 1024, worstCpu, failures);
    return failures == 0 ? 0 : 1;
}

// Test toolkit implementation: raster and PPD writers, filter runner.
#include "tests/toolkit/toolkit.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kvtest {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kvtest.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

RasterPage grayPage(uint32_t width, uint32_t height, uint8_t value) {
    RasterPage page;
    page.width = width;
    page.height = height;
    page.data.assign(static_cast<size_t>(width) * height, value);
    return page;
}

uint32_t colorsOf(cups_cspace_t space) {
    switch (space) {
        case CUPS_CSPACE_RGB:
        case CUPS_CSPACE_SRGB: return 3;
        case CUPS_CSPACE_RGBA:
        case CUPS_CSPACE_CMYK:
        case CUPS_CSPACE_KCMY: return 4;
        default: return 1;
    }
}

cups_page_header2_t headerFor(const RasterPage& page) {
    cups_page_header2_t h{};
    const uint32_t bitsPerPixel = page.bitsPerColor * colorsOf(page.space);
    h.cupsWidth = page.width;
    h.cupsHeight = page.height;
    h.cupsBytesPerLine = page.bytesPerLine != 0 ? page.bytesPerLine
                                                : static_cast<uint32_t>((uint64_t{page.width} * bitsPerPixel + 7) / 8);
    h.cupsBitsPerColor = page.bitsPerColor;
    h.cupsBitsPerPixel = bitsPerPixel;
    h.cupsColorSpace = page.space;
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.HWResolution[0] = page.resolution;
    h.HWResolution[1] = page.resolution;
    h.NumCopies = page.numCopies;
    h.PageSize[0] = page.resolution ? page.width * 72 / page.resolution : 0;
    h.PageSize[1] = page.resolution ? page.height * 72 / page.resolution : 0;
    std::strcpy(h.MediaClass, "PwgRaster");
    return h;
}

std::string rasterStream(const std::vector<RasterPage>& pages, bool compressed) {
    TempDir dir;
    const std::string path = dir.file("page.ras");
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) throw std::runtime_error("can't write raster file");
    cups_raster_t* ras = cupsRasterOpen(fd, compressed ? CUPS_RASTER_WRITE_COMPRESSED : CUPS_RASTER_WRITE);
    std::vector<std::pair<off_t, const RasterPage*>> patches;
    for (const RasterPage& page : pages) {
        cups_page_header2_t h = headerFor(page);
        // The previous page's rows are all out once its last row is written.
        if (page.patchHeader) patches.emplace_back(lseek(fd, 0, SEEK_CUR), &page);
        cupsRasterWriteHeader2(ras, &h);
        if (page.headerOnly) break;
        // libcups needs every row of a page; rows past the given data are white.
        std::vector<uint8_t> row(h.cupsBytesPerLine, 0xFF);
        for (uint32_t y = 0; y < h.cupsHeight; ++y) {
            const size_t at = static_cast<size_t>(y) * h.cupsBytesPerLine;
            std::fill(row.begin(), row.end(), 0xFF);
            if (at < page.data.size()) {
                const size_t n = std::min<size_t>(h.cupsBytesPerLine, page.data.size() - at);
                std::memcpy(row.data(), page.data.data() + at, n);
            }
            cupsRasterWritePixels(ras, row.data(), h.cupsBytesPerLine);
        }
    }
    cupsRasterClose(ras);
    for (const auto& [at, page] : patches) {
        cups_page_header2_t h{};
        const auto size = static_cast<ssize_t>(sizeof h);
        if (pread(fd, &h, sizeof h, at) != size) throw std::runtime_error("header not found");
        page->patchHeader(h);
        if (pwrite(fd, &h, sizeof h, at) != size) throw std::runtime_error("patch failed");
    }
    close(fd);
    return readFile(path);
}

std::string writePpd(const std::string& directory, const Ppd& ppd) {
    std::ostringstream s;
    s << "*PPD-Adobe: \"4.3\"\n"
         "*FormatVersion: \"4.3\"\n"
         "*FileVersion: \"1.0\"\n"
         "*LanguageVersion: English\n"
         "*LanguageEncoding: ISOLatin1\n"
         "*PCFileName: \"TEST.PPD\"\n"
         "*Manufacturer: \"Test\"\n"
         "*Product: \"(Test)\"\n"
         "*ModelName: \""
      << ppd.nickName
      << "\"\n"
         "*ShortNickName: \""
      << ppd.nickName
      << "\"\n"
         "*NickName: \""
      << ppd.nickName
      << "\"\n"
         "*PSVersion: \"(3010.000) 0\"\n"
         "*LanguageLevel: \"3\"\n"
         "*ColorDevice: False\n"
         "*DefaultColorSpace: Gray\n"
         "*FileSystem: False\n"
         "*Throughput: \"1\"\n"
         "*LandscapeOrientation: Plus90\n"
         "*TTRasterizer: Type42\n"
         "*cupsVersion: 2.4\n"
         "*cupsModelNumber: 7\n"
         "*cupsFilter: \"application/vnd.cups-raster 0 rastertokvlabel\"\n";
    for (const auto& [key, value] : ppd.defaults) s << "*" << key << ": " << value << "\n";
    for (const auto& [key, option, value] : ppd.attributes) {
        s << "*" << key << " " << option << ": \"" << value << "\"\n";
    }
    s << ppd.extra;
    const std::string path = directory + "/test.ppd";
    std::ofstream(path, std::ios::binary) << s.str();
    return path;
}

std::string FilterRun::log() const { return readFile(logDir + "/LxxLog.log"); }
std::string FilterRun::dump() const { return readFile(logDir + "/LxxSendData.bin"); }

namespace {

// Feeds `input` to fd `in` while draining `out` and `err`, so no pipe can fill
// up. With a cancel point, input stops at cancel->inputBytes until standard
// output holds cancel->outputBytes; then `pid` gets SIGTERM and the rest follows.
struct Pump {
    int in, out, err;
    const std::string& input;
    std::string& outText;
    std::string& errText;
    std::optional<Cancel> cancel;
    pid_t pid;

    // Input that may go out now.
    size_t limit() const { return cancel ? std::min(cancel->inputBytes, input.size()) : input.size(); }
    void signalCancel() {
        kill(pid, SIGTERM);
        cancel.reset();
    }
    void run() {
        size_t sent = 0;
        char buf[65536];
        while (out >= 0 || err >= 0) {
            if (cancel && sent >= limit() && outText.size() >= cancel->outputBytes &&
                errText.find(cancel->errorText) != std::string::npos) {
                signalCancel();
            }
            if (!cancel && sent >= input.size()) closeInput();
            pollfd fds[3];
            int n = 0;
            int inAt = -1, outAt = -1, errAt = -1;
            if (in >= 0 && sent < limit()) {
                fds[n] = {in, POLLOUT, 0};
                inAt = n++;
            }
            if (out >= 0) {
                fds[n] = {out, POLLIN, 0};
                outAt = n++;
            }
            if (err >= 0) {
                fds[n] = {err, POLLIN, 0};
                errAt = n++;
            }
            // A cancel point the output never reaches must not hang the test.
            const int ready = poll(fds, static_cast<nfds_t>(n), cancel ? 10000 : -1);
            if (ready < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (ready == 0) {
                signalCancel();
                continue;
            }
            if (inAt >= 0 && fds[inAt].revents != 0) {
                const ssize_t w = write(in, input.data() + sent, std::min<size_t>(limit() - sent, 65536));
                if (w > 0) {
                    sent += static_cast<size_t>(w);
                } else {
                    closeInput();
                    sent = input.size();
                }
            }
            for (auto [at, fd, text] : {std::tuple{outAt, &out, &outText}, std::tuple{errAt, &err, &errText}}) {
                if (at < 0 || fds[at].revents == 0) continue;
                const ssize_t r = read(*fd, buf, sizeof buf);
                if (r > 0) {
                    text->append(buf, static_cast<size_t>(r));
                } else {
                    close(*fd);
                    *fd = -1;
                }
            }
        }
        closeInput();
    }
    void closeInput() {
        if (in >= 0) close(in);
        in = -1;
    }
};

}  // namespace

FilterRun runFilter(const FilterJob& job, const std::string& logDir) {
    std::vector<std::string> argv = {KV_FILTER_UNDER_TEST, logDir, "rastertokvlabel"};
    std::vector<std::string> args = job.args;
    if (args.size() == 5 && !job.options.empty()) args[4] = job.options;
    argv.insert(argv.end(), args.begin(), args.end());
    if (!job.inputFile.empty()) argv.push_back(job.inputFile);

    int inPipe[2], outPipe[2], errPipe[2];
    if (pipe(inPipe) != 0 || pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
        if (job.output == Output::Closed) close(1);
        if (job.output == Output::Full) {
            const int full = open("/dev/full", O_WRONLY);
            dup2(full, 1);
            close(full);
        }
        if (job.ppdPath.empty()) {
            unsetenv("PPD");
        } else {
            setenv("PPD", job.ppdPath.c_str(), 1);
        }
        std::vector<char*> cargv;
        for (std::string& a : argv) cargv.push_back(a.data());
        cargv.push_back(nullptr);
        execv(cargv[0], cargv.data());
        _exit(127);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    signal(SIGPIPE, SIG_IGN);
    FilterRun run;
    run.logDir = logDir;
    Pump{inPipe[1], outPipe[0], errPipe[0], job.input, run.out, run.err, job.cancel, pid}.run();
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    return run;
}

std::string hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i) s += ' ';
        const auto b = static_cast<uint8_t>(bytes[i]);
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

}  // namespace kvtest

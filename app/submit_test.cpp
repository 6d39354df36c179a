// The "--test" argument of "kvlabel submit": the test label of the printer.
#include "app/submit_test.h"

#include <cups/cups.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/printer_kinds.h"
#include "app/test_label.h"

namespace kvapp {
namespace {

// The server's local socket, where PAPPL's main loop puts it.
std::string localSocket() {
    if (const char* snap = std::getenv("SNAP_COMMON")) return std::string(snap) + "/kvlabel.sock";
    if (getuid() == 0) return "/run/kvlabel.sock";
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr ? tmp : "/tmp") + "/kvlabel" + std::to_string(getuid()) + ".sock";
}

struct Target {
    std::string host;
    int port = 0;
    std::string resource;
};

Target targetOf(const char* uri, const char* printer) {
    Target t{localSocket(), 0, std::string("/ipp/print") + (printer != nullptr ? std::string("/") + printer : "")};
    if (uri == nullptr) return t;
    char scheme[32], user[256], host[256], resource[1024];
    if (httpSeparateURI(HTTP_URI_CODING_ALL, uri, scheme, sizeof scheme, user, sizeof user, host, sizeof host, &t.port,
                        resource, sizeof resource) < HTTP_URI_STATUS_OK) {
        return t;
    }
    t.host = host;
    if (std::strncmp(resource, "/ipp/print", 10) == 0) t.resource = resource;
    return t;
}

// Fills the label from the printer's attributes; false when it can't be asked.
bool askPrinter(const Target& t, TestLabelInfo& info) {
    http_t* http =
        httpConnect2(t.host.c_str(), t.port, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1, 30000, nullptr);
    if (http == nullptr) return false;
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    char uri[1024];
    httpAssembleURI(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", t.port, t.resource.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    static const char* const wanted[] = {"printer-make-and-model", "printer-resolution-default", "media-col-default",
                                         "printer-darkness-configured", "print-speed-default"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 5, nullptr, wanted);
    ipp_t* response = cupsDoRequest(http, request, t.resource.c_str());
    httpClose(http);
    if (response == nullptr || ippGetStatusCode(response) > IPP_STATUS_OK_CONFLICTING) {
        ippDelete(response);
        return false;
    }
    ipp_attribute_t* a = ippFindAttribute(response, "printer-make-and-model", IPP_TAG_TEXT);
    info.model = a != nullptr ? ippGetString(a, 0, nullptr) : "";
    ipp_res_t units;
    int yres = 0;
    if ((a = ippFindAttribute(response, "printer-resolution-default", IPP_TAG_RESOLUTION)) != nullptr) {
        info.dpi = ippGetResolution(a, 0, &yres, &units);
    }
    if ((a = ippFindAttribute(response, "media-col-default", IPP_TAG_BEGIN_COLLECTION)) != nullptr) {
        ipp_t* size =
            ippGetCollection(ippFindAttribute(ippGetCollection(a, 0), "media-size", IPP_TAG_BEGIN_COLLECTION), 0);
        if (ipp_attribute_t* x = ippFindAttribute(size, "x-dimension", IPP_TAG_INTEGER))
            info.widthHmm = ippGetInteger(x, 0);
        if (ipp_attribute_t* y = ippFindAttribute(size, "y-dimension", IPP_TAG_INTEGER))
            info.lengthHmm = ippGetInteger(y, 0);
    }
    for (const PrinterKind& k : printerKinds()) {
        if (info.model != k.makeModel) continue;
        a = ippFindAttribute(response, "printer-darkness-configured", IPP_TAG_INTEGER);
        if (a != nullptr && k.darkness.levels() > 0) info.darkness = darknessFromPercent(k, ippGetInteger(a, 0));
        a = ippFindAttribute(response, "print-speed-default", IPP_TAG_INTEGER);
        if (a != nullptr && k.speed.levels() > 0) info.speed = speedFromIpp(k, ippGetInteger(a, 0));
    }
    ippDelete(response);
    return true;
}

const char* optionValue(int argc, char* argv[], const char* name) {
    for (int i = 2; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) return argv[i + 1];
    }
    return nullptr;
}

}  // namespace

TestLabelArgument::TestLabelArgument(int argc, char* argv[]) {
    if (argc < 3 || std::strcmp(argv[1], "submit") != 0) return;
    int at = -1;
    for (int i = 2; i < argc; ++i) at = std::strcmp(argv[i], "--test") == 0 ? i : at;
    if (at < 0) return;
    TestLabelInfo info;
    if (!askPrinter(targetOf(optionValue(argc, argv, "-u"), optionValue(argc, argv, "-d")), info)) {
        std::fprintf(stderr, "kvlabel: Unable to ask the printer for its test label settings.\n");
        ok_ = false;
        return;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string name = std::string(tmp != nullptr ? tmp : "/tmp") + "/kvlabel-test-XXXXXX.pwg";
    const int fd = mkstemps(name.data(), 4);
    if (fd < 0 || (close(fd), !writeTestLabel(info, name))) {
        std::fprintf(stderr, "kvlabel: Unable to write the test label.\n");
        ok_ = false;
        return;
    }
    path_ = name;
    argv[at] = path_.data();
}

TestLabelArgument::~TestLabelArgument() {
    if (!path_.empty()) unlink(path_.c_str());
}

}  // namespace kvapp

// The public library as an application gets it: installed with its header,
// pkg-config file and tool into a scratch prefix, a C program compiled and
// linked against them, and the tool run on its own output.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tests/protocol/host/host_test_util.h"

namespace fs = std::filesystem;
using namespace kvhtest;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
};

Outcome run(const std::string& command) {
    Outcome r;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return r;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) r.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// The test runs from <build>/tests; the build tree is one level up.
fs::path buildDir() { return fs::canonical("/proc/self/exe").parent_path().parent_path(); }

fs::path sourceDir() { return fs::path(__FILE__).parent_path(); }

class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/kvprotocol-install-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        Outcome install = run("cmake --install '" + buildDir().string() + "' --prefix '" + (root_ / "usr").string() +
                              "' --component kvprotocol");
        ASSERT_EQ(install.status, 0) << install.out;
    }
    static void TearDownTestSuite() { fs::remove_all(root_); }
    static fs::path prefix() { return root_ / "usr"; }
    static fs::path libDir() {
        for (const auto& e : fs::recursive_directory_iterator(prefix()))
            if (e.path().filename() == "libkvprotocol.so") return e.path().parent_path();
        return {};
    }
    static std::string env() {
        return "export PKG_CONFIG_PATH='" + (libDir() / "pkgconfig").string() + "' LD_LIBRARY_PATH='" +
               libDir().string() + "'; ";
    }
    static inline fs::path root_;
};

}  // namespace

TEST_F(Installed, HeaderLibraryAndPkgConfigFileAreInstalled) {
    EXPECT_TRUE(fs::exists(prefix() / "include" / "kvprotocol.h"));
    ASSERT_FALSE(libDir().empty());
    EXPECT_TRUE(fs::exists(libDir() / "pkgconfig" / "kvprotocol.pc"));
    EXPECT_TRUE(fs::exists(prefix() / "bin" / "kvproto"));
    Outcome flags = run(env() + "pkg-config --cflags --libs kvprotocol");
    ASSERT_EQ(flags.status, 0) << flags.out;
    // The file is relocatable: its paths lead to where it was installed.
    const size_t include = flags.out.find("-I");
    ASSERT_NE(include, std::string::npos) << flags.out;
    const std::string includeDir = flags.out.substr(include + 2, flags.out.find(' ', include) - include - 2);
    EXPECT_TRUE(fs::exists(fs::path(includeDir) / "kvprotocol.h")) << flags.out;
    EXPECT_NE(flags.out.find("-lkvprotocol"), std::string::npos);
}

TEST_F(Installed, CProgramBuildsAgainstTheInstalledLibrary) {
#if defined(__SANITIZE_ADDRESS__)
    const std::string sanitize = " -fsanitize=address,undefined";
#else
    const std::string sanitize;
#endif
    const fs::path program = root_ / "client";
    Outcome compile =
        run(env() + "cc -std=c11 -Wall -Wextra -Werror" + sanitize + " '" + (sourceDir() / "c_api_client.c").string() +
            "' -o '" + program.string() + "' $(pkg-config --cflags --libs kvprotocol)");
    ASSERT_EQ(compile.status, 0) << compile.out;
    Outcome client = run(env() + "'" + program.string() + "'");
    ASSERT_EQ(client.status, 0) << client.out;
    EXPECT_EQ(client.out, "A31E1C0008001105040300030F08" + std::string() + client.out.substr(28, 8) +
                              "\n"
                              "result 1 class 5 sub 3 {\n\t\"coarseDarkness\":\t\"5\",\n\t\"fineDarkness\":\t\"8\"\n}\n"
                              "sz 16\nimage yes\nLid Opened;Lack Paper;\n");
}

// The names of the functions kvprotocol.h declares: each declaration starts a
// line with its return type, and its name is the word before the first "(".
std::set<std::string> headerFunctions() {
    std::ifstream in(sourceDir().parent_path().parent_path() / "libkvprotocol" / "kvprotocol.h");
    std::stringstream text;
    text << in.rdbuf();
    std::string code = text.str();
    for (size_t open = code.find("/*"); open != std::string::npos; open = code.find("/*", open)) {
        const size_t close = code.find("*/", open + 2);
        code.erase(open, close == std::string::npos ? std::string::npos : close + 2 - open);
    }
    std::set<std::string> names;
    std::istringstream lines(code);
    for (std::string line; std::getline(lines, line);) {
        const size_t paren = line.find('(');
        if (line.empty() || !(std::isalpha(static_cast<unsigned char>(line[0])) || line[0] == '_') ||
            line.rfind("typedef", 0) == 0 || paren == std::string::npos)
            continue;
        size_t end = paren;
        while (end > 0 && line[end - 1] == ' ') --end;
        size_t start = end;
        while (start > 0 && (std::isalnum(static_cast<unsigned char>(line[start - 1])) || line[start - 1] == '_'))
            --start;
        if (start < end) names.insert(line.substr(start, end - start));
    }
    return names;
}

// The symbol names of `nm` output lines, without their version.
std::set<std::string> symbolNames(const std::string& nmOutput) {
    std::set<std::string> names;
    std::istringstream lines(nmOutput);
    for (std::string line; std::getline(lines, line);) {
        const std::string name = line.substr(line.find_last_of(' ') + 1);
        names.insert(name.substr(0, name.find('@')));
    }
    return names;
}

TEST_F(Installed, ExportsExactlyTheHeaderFunctionsUnderItsSoname) {
    const std::string library = "'" + (libDir() / "libkvprotocol.so").string() + "'";
    Outcome defined = run("nm -D --defined-only " + library);
    ASSERT_EQ(defined.status, 0) << defined.out;
    std::set<std::string> exported;
    std::istringstream lines(defined.out);
    for (std::string address, type, name; lines >> address >> type >> name;) {
        if (name == "KVPROTOCOL_1") continue;  // the version node of the version script
        EXPECT_EQ(type, "T") << name << " is exported but is no function";
        exported.insert(name.substr(0, name.find('@')));
    }
    const std::set<std::string> declared = headerFunctions();
    EXPECT_GT(declared.size(), 100u);
    EXPECT_EQ(exported, declared);
    Outcome dynamic = run("readelf -d " + library);
    EXPECT_NE(dynamic.out.find("Library soname: [libkvprotocol.so.1]"), std::string::npos) << dynamic.out;
    // It never opens a file: no call that could open one is imported.
    Outcome imported = run("nm -D --undefined-only " + library);
    ASSERT_EQ(imported.status, 0) << imported.out;
    const std::set<std::string> calls = symbolNames(imported.out);
    EXPECT_EQ(calls.count("malloc"), 1u) << imported.out;  // the list is read right
    for (const char* call : {"open", "open64", "openat", "openat64", "creat", "creat64", "fopen", "fopen64", "fdopen",
                             "freopen", "mkstemp", "tmpfile"})
        EXPECT_EQ(calls.count(call), 0u) << call;
}

TEST_F(Installed, LibraryWritesNoFileAndLogsOnlyToTheInstalledFunction) {
#if defined(__SANITIZE_ADDRESS__)
    const std::string sanitize = " -fsanitize=address,undefined";
#else
    const std::string sanitize;
#endif
    const fs::path program = root_ / "quiet_client";
    Outcome compile =
        run(env() + "cc -std=c11 -Wall -Wextra -Werror" + sanitize + " '" + (sourceDir() / "quiet_client.c").string() +
            "' -o '" + program.string() + "' $(pkg-config --cflags --libs kvprotocol)");
    ASSERT_EQ(compile.status, 0) << compile.out;
    // Working directory, home and temporary folder all point at an empty
    // folder, which must stay empty.
    const fs::path folder = root_ / "logs";
    fs::create_directories(folder);
    const std::string in = "'" + folder.string() + "'";
    Outcome client = run(env() + "cd " + in + " && HOME=" + in + " TMPDIR=" + in + " '" + program.string() + "'");
    ASSERT_EQ(client.status, 0) << client.out;
    EXPECT_EQ(client.out,
              "version matches\nlines without a function 0\nlines to the function yes\nlines after removing it 0\n");
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(Installed, ToolBuildsAndDecodesFrames) {
    const std::string tool = "'" + (prefix() / "bin" / "kvproto").string() + "'";
    Outcome frame = run(env() + tool + " --odm 163 build getPrinterPrintSpeedData");
    ASSERT_EQ(frame.status, 0) << frame.out;
    EXPECT_EQ(frame.out.rfind("A3 20 10 00 ", 0), 0u) << frame.out;
    Outcome decoded = run(env() + tool + " build getPrinterPrintSpeedData | " + tool + " decode");
    EXPECT_EQ(decoded.status, 0);
    EXPECT_EQ(decoded.out, "{\"class\":5,\"subCmd\":6,\"kind\":17,\"result\":2,\"report\":{}}\n");
    Outcome sz = run(env() + tool + " build KVSZ_Set_PrinterWiFi ab cd");
    EXPECT_EQ(sz.out.substr(0, 29), "19 73 10 19 0A 00 00 00 04 00");
    // A printer reply as hex text and as a JSON-wrapped line (base64).
    HostGuard guard(28);
    const Bytes reply = replyFrame(5, 3, {5, 8});
    std::string hexText, b64;
    const char* a = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (uint8_t byte : reply)
        hexText += "0123456789abcdef"[byte >> 4], hexText += "0123456789abcdef"[byte & 15], hexText += ' ';
    for (size_t i = 0; i < reply.size(); i += 3) {
        uint32_t v = uint32_t(reply[i]) << 16 | (i + 1 < reply.size() ? reply[i + 1] << 8 : 0) |
                     (i + 2 < reply.size() ? reply[i + 2] : 0);
        b64 += a[v >> 18 & 63];
        b64 += a[v >> 12 & 63];
        b64 += i + 1 < reply.size() ? a[v >> 6 & 63] : '=';
        b64 += i + 2 < reply.size() ? a[v & 63] : '=';
    }
    const std::string expected =
        "{\"class\":5,\"subCmd\":3,\"kind\":33,\"result\":1,\"report\":{\"coarseDarkness\":\"5\",\"fineDarkness\":"
        "\"8\"}}\n";
    const fs::path hex = root_ / "reply.hex", json = root_ / "reply.json";
    std::ofstream(hex) << hexText;
    std::ofstream(json) << "{\"Cmd\":\"" << b64 << "\"}\n";
    EXPECT_EQ(run(env() + tool + " decode '" + hex.string() + "'").out, expected);
    EXPECT_EQ(run(env() + tool + " decode '" + json.string() + "'").out, expected);
    std::ofstream(hex) << hexText.substr(0, hexText.size() - 4);  // last CRC byte missing
    EXPECT_EQ(run(env() + tool + " decode --format hex '" + hex.string() + "'").status, 1);
    // A family 163 frame, then a header with length FFFF in the same wrapper:
    // nothing is handed over and nothing past the body is touched.
    std::ofstream(json) << "{\"Cmd\":\"oyAQAMsgej75SXnz8YEBbT2WdRV6nPcWoyD//w==\"}\n";
    Outcome oversized = run(env() + tool + " --odm 163 decode --format json '" + json.string() + "'");
    EXPECT_EQ(oversized.status, 1) << oversized.out;
    EXPECT_EQ(oversized.out, "kvproto: no complete reply in the input\n");
    // Numbers are decimal (a leading zero is not octal) or 0x hexadecimal.
    const std::string speed10 = run(env() + tool + " build setPrinterPrintSpeedData 10").out;
    EXPECT_EQ(speed10.substr(0, 36), "A3 1E 1C 00 06 00 11 05 07 01 00 0A ");
    EXPECT_EQ(run(env() + tool + " build setPrinterPrintSpeedData 010").out, speed10);
    EXPECT_EQ(run(env() + tool + " build setPrinterPrintSpeedData 0x0a").out, speed10);
    Outcome errors[] = {run(env() + tool + " decode /nonexistent"),
                        run(env() + tool + " build nosuchcommand"),
                        run(env() + tool + " build setPrinterPrintSpeedData 256"),
                        run(env() + tool + " frobnicate"),
                        run(env() + tool + " build setPrinterPrintSpeedData ' 8'"),
                        run(env() + tool + " build setPrinterPrintSpeedData 0x")};
    EXPECT_EQ(errors[0].status, 1);
    EXPECT_NE(errors[0].out.find("cannot read"), std::string::npos);
    for (int i = 1; i < 6; ++i) EXPECT_EQ(errors[i].status, 2) << errors[i].out;
}

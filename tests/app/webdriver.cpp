// WebDriver client over a loopback socket, chromedriver as a child process.
#include "tests/app/webdriver.h"

#include <arpa/inet.h>
#include <cjson/cJSON.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "tests/cups/process.h"

namespace kvapptest {
namespace {

using Json = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

Json parse(const std::string& text) { return Json(cJSON_Parse(text.c_str()), &cJSON_Delete); }

std::string print(const cJSON* item) {
    char* text = cJSON_PrintUnformatted(item);
    std::string out = text != nullptr ? text : "";
    cJSON_free(text);
    return out;
}

bool bodyComplete(const std::string& reply) {
    const size_t head = reply.find("\r\n\r\n");
    if (head == std::string::npos) return false;
    std::string lower = reply.substr(0, head);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const size_t at = lower.find("content-length:");
    if (at == std::string::npos) return false;
    return reply.size() - head - 4 >= std::stoul(lower.substr(at + 15));
}

// One HTTP/1.1 exchange on 127.0.0.1:port (Connection: close); the body.
std::string http(int port, const std::string& method, const std::string& path, const std::string& body) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return "";
    timeval timeout{60, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        const std::string request = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" +
                                    "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
                                    "\r\n\r\n" + body;
        if (write(s, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
            // Read up to the end of the body that Content-Length announces
            // (the driver may keep the connection open).
            char buffer[65536];
            ssize_t n;
            while ((n = read(s, buffer, sizeof buffer)) > 0) {
                reply.append(buffer, static_cast<size_t>(n));
                if (bodyComplete(reply)) break;
            }
        }
    }
    close(s);
    const size_t at = reply.find("\r\n\r\n");
    return at == std::string::npos ? "" : reply.substr(at + 4);
}

std::string base64Decode(const std::string& in) {
    static const std::string chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned value = 0;
    int bits = -8;
    for (const char c : in) {
        const size_t d = chars.find(c);
        if (d == std::string::npos) continue;
        value = (value << 6) | static_cast<unsigned>(d);
        bits += 6;
        if (bits >= 0) {
            out.push_back(static_cast<char>((value >> bits) & 0xFF));
            bits -= 8;
        }
    }
    return out;
}

}  // namespace

Browser::Browser() {
    const std::string driver = kvcups::findProgram("chromedriver");
    const std::string chromium = kvcups::findProgram("chromium");
    if (driver.empty() || chromium.empty()) {
        error_ = "chromedriver or chromium is not installed";
        return;
    }
    port_ = kvcups::freeLoopbackPort();
    std::string portArg = "--port=" + std::to_string(port_);
    const std::string log = profile_.file("chromedriver.log");
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // A keeper process leads the group of chromedriver and the browser and
        // takes the whole group down when the test program dies.
        setpgid(0, 0);
        signal(SIGTERM, [](int) { kill(0, SIGKILL); });
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) kill(0, SIGKILL);
        const pid_t child = fork();
        if (child == 0) {
            signal(SIGTERM, SIG_DFL);
            const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd >= 0) {
                dup2(fd, 1);
                dup2(fd, 2);
            }
            execl(driver.c_str(), driver.c_str(), portArg.c_str(), "--allowed-ips=127.0.0.1", nullptr);
            _exit(127);
        }
        waitpid(child, nullptr, 0);
        _exit(0);
    }
    if (pid < 0) return;
    pid_ = pid;
    setpgid(pid, pid);
    for (int i = 0; i < 100 && http(port_, "GET", "/status", "").empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const std::string args =
        R"(["--headless","--no-sandbox","--disable-gpu","--disable-quic","--no-first-run",)"
        R"("--disable-background-networking","--disable-component-update","--disable-sync",)"
        R"("--disable-dev-shm-usage","--disable-crash-reporter","--disable-breakpad","--window-size=1100,1300","--user-data-dir=)" +
        profile_.file("profile") + R"("])";
    const std::string caps = R"({"capabilities":{"alwaysMatch":{"goog:chromeOptions":{"binary":")" + chromium +
                             R"(","args":)" + args + "}}}}";
    Json reply = parse(http(port_, "POST", "/session", caps));
    const cJSON* value = reply ? cJSON_GetObjectItem(reply.get(), "value") : nullptr;
    const cJSON* id = value ? cJSON_GetObjectItem(value, "sessionId") : nullptr;
    if (cJSON_IsString(id)) {
        session_ = id->valuestring;
    } else {
        error_ = "no WebDriver session: " + (reply ? print(reply.get()) : kvtest::readFile(log));
    }
}

Browser::~Browser() {
    if (!session_.empty()) http(port_, "DELETE", "/session/" + session_, "");
    if (pid_ > 0) {
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::string Browser::command(const std::string& method, const std::string& path, const std::string& body) {
    if (session_.empty()) return "";
    Json reply = parse(http(port_, method, "/session/" + session_ + path, body));
    const cJSON* value = reply ? cJSON_GetObjectItem(reply.get(), "value") : nullptr;
    if (value == nullptr) return "";
    if (cJSON_IsObject(value) && cJSON_GetObjectItem(value, "error") != nullptr) {
        error_ = print(value);
        return "";
    }
    return print(value);
}

bool Browser::open(const std::string& url) { return !command("POST", "/url", R"({"url":")" + url + R"("})").empty(); }

std::string Browser::find(const std::string& css) {
    Json body(cJSON_CreateObject(), &cJSON_Delete);
    cJSON_AddStringToObject(body.get(), "using", "css selector");
    cJSON_AddStringToObject(body.get(), "value", css.c_str());
    Json value = parse(command("POST", "/element", print(body.get())));
    if (!value) return "";
    // The element reference is the one member of the returned object.
    const cJSON* ref = value->child;
    return cJSON_IsString(ref) ? ref->valuestring : "";
}

bool Browser::click(const std::string& element) {
    return !element.empty() && !command("POST", "/element/" + element + "/click", "{}").empty();
}

std::string Browser::title() {
    Json value = parse(command("GET", "/title"));
    return value && cJSON_IsString(value.get()) ? value->valuestring : "";
}

bool Browser::screenshot(const std::string& path) {
    Json value = parse(command("GET", "/screenshot"));
    if (!value || !cJSON_IsString(value.get())) return false;
    std::ofstream(path, std::ios::binary) << base64Decode(value->valuestring);
    return true;
}

}  // namespace kvapptest

// Distribution detection from /etc/os-release or, failing that, the older
// per-distribution release files; system description through uname.
#include "base/sysinfo.h"

#include <sys/utsname.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "base/debug_log.h"

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

File openIn(const std::string& dir, const char* name) { return File(std::fopen((dir + "/" + name).c_str(), "r")); }

// The value after the first '='; a leading quote is skipped and the value ends
// at the next double quote, or failing that at the next single quote.
std::string releaseValue(const char* line) {
    const char* v = std::strchr(line, '=') + 1;
    if (*v != '"' && *v != '\'') return v;
    ++v;
    const char* end = std::strchr(v, '"');
    if (end == nullptr) end = std::strchr(v, '\'');
    return end == nullptr ? std::string(v) : std::string(v, end);
}

const char* nameFromOsRelease(FILE* f) {
    char line[256];
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strncmp(line, "ID=", 3) != 0 && std::strncmp(line, "NAME=", 5) != 0) continue;
        const std::string value = releaseValue(line);
        auto has = [&](const char* word) { return value.find(word) != std::string::npos; };
        if (has("Debian")) return "Debian";
        if (has("Ubuntu")) return "Ubuntu";
        if (has("CentOS")) return "CentOS";
        if (has("Rhel") || has("RedHat")) return "RedHat";
        if (has("Fedora")) return "Fedora";
        if (has("Arch")) return "Arch";
        if (has("Opensuse") || has("suse")) return "openSUSE";
        if (has("Alpine")) return "Alpine";
        return "Linux";
    }
    return "Linux";
}

// The first line of redhat-release / centos-release tells the family apart.
const char* refineRedHat(const std::string& dir, const char* file, const char* name) {
    File f = openIn(dir, file);
    char line[256];
    if (!f || std::fgets(line, sizeof line, f.get()) == nullptr) return name;
    if (std::strstr(line, "CentOS")) return "CentOS";
    if (std::strstr(line, "Red Hat")) return "RedHat";
    if (std::strstr(line, "Fedora")) return "Fedora";
    if (std::strstr(line, "Rocky")) return "Rocky Linux";
    if (std::strstr(line, "AlmaLinux")) return "AlmaLinux";
    return name;
}

}  // namespace

const char* detect_linux_distro_in(const char* etcDirectory) {
    const std::string dir = etcDirectory;
    if (File f = openIn(dir, "os-release")) return nameFromOsRelease(f.get());
    static constexpr struct {
        const char* file;
        const char* name;
    } kReleaseFiles[] = {
        {"debian_version", "Debian"}, {"redhat-release", "RedHat/CentOS"},
        {"centos-release", "CentOS"}, {"fedora-release", "Fedora"},
        {"arch-release", "Arch"},     {"SuSE-release", "SUSE"},
        {"alpine-release", "Alpine"},
    };
    for (const auto& entry : kReleaseFiles) {
        if (!openIn(dir, entry.file)) continue;
        const bool redHatFamily =
            std::strcmp(entry.file, "redhat-release") == 0 || std::strcmp(entry.file, "centos-release") == 0;
        return redHatFamily ? refineRedHat(dir, entry.file, entry.name) : entry.name;
    }
    return "Linux";
}

const char* detect_linux_distro() { return detect_linux_distro_in("/etc"); }

const char* get_operating_system() { return detect_linux_distro(); }

void get_system_details(char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return;
    struct utsname info {};
    if (uname(&info) == 0) {
        std::snprintf(buffer, size, "%s (%s %s)", get_operating_system(), info.sysname, info.release);
    } else {
        std::snprintf(buffer, size, "%s", get_operating_system());
    }
}

void get_os_details(char* buffer, size_t size) { get_system_details(buffer, size); }

void init_library() {
    char description[256];
    get_system_details(description, sizeof description);
    kvPrintf("Initializing library on %s\n", description);
}

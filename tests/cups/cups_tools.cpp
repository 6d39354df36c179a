// Private ServerBin for the system tests.
#include "tests/cups/cups_tools.h"

#include <filesystem>

namespace kvcups {

std::string makeServerBin(const std::string& dir) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path system = systemServerBin();
    if (!fs::is_directory(system / "filter")) return "no CUPS filter directory at " + (system / "filter").string();
    fs::create_directories(fs::path(dir) / "filter", ec);
    if (ec) return ec.message();
    for (const auto& entry : fs::directory_iterator(system / "filter", ec)) {
        if (entry.path().filename() == "rastertokvlabel") continue;  // an installed copy: not under test
        fs::create_symlink(entry.path(), fs::path(dir) / "filter" / entry.path().filename(), ec);
    }
    fs::create_symlink(builtFilter(), fs::path(dir) / "filter" / "rastertokvlabel", ec);
    if (ec) return "cannot link the built filter: " + ec.message();
    for (const char* sub : {"backend", "cgi-bin", "daemon", "driver", "monitor", "notifier"}) {
        if (fs::exists(system / sub)) fs::create_directory_symlink(system / sub, fs::path(dir) / sub, ec);
    }
    // The scheduler runs filters as an unprivileged user: the folders must be readable.
    fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec, ec);
    return "";
}

}  // namespace kvcups

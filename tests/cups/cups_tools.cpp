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
    // A copy, not a link: the scheduler runs filters as an unprivileged user,
    // who may not be able to reach the build tree (a checkout in a 0700 folder).
    const fs::path filter = fs::path(dir) / "filter" / "rastertokvlabel";
    fs::copy_file(builtFilter(), filter, fs::copy_options::overwrite_existing, ec);
    if (ec) return "cannot copy the built filter: " + ec.message();
    fs::permissions(filter,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    ec);
    for (const char* sub : {"backend", "cgi-bin", "daemon", "driver", "monitor", "notifier"}) {
        if (fs::exists(system / sub)) fs::create_directory_symlink(system / sub, fs::path(dir) / sub, ec);
    }
    // The scheduler runs filters as an unprivileged user: the folders must be readable.
    fs::permissions(dir,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    ec);
    return "";
}

}  // namespace kvcups

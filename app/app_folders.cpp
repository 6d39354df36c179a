// The application's folders.
#include "app/app_folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace kvapp {
namespace {

// Creates a folder and its parents (mode 0700); existing ones are kept.
void makeFolders(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0700);
    }
}

std::string userBase() {
    const char* xdg = std::getenv("XDG_STATE_HOME");
    if (xdg != nullptr && *xdg == '/') return std::string(xdg) + "/kvlabel";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr && *home == '/' ? home : "/tmp") + "/.local/state/kvlabel";
}

}  // namespace

AppFolders appFolders(const char* stateDir, const char* spoolDir, const char* logFile) {
    const bool root = getuid() == 0;
    const std::string base = stateDir != nullptr && *stateDir != '\0' ? stateDir
                             : root                                   ? "/var/lib/kvlabel"
                                                                      : userBase();
    AppFolders f;
    f.stateFile = base + "/kvlabel.state";
    f.spoolDir = spoolDir != nullptr && *spoolDir != '\0' ? spoolDir : root ? "/var/spool/kvlabel" : base + "/spool";
    f.logFile = logFile != nullptr && *logFile != '\0' ? logFile : root ? "syslog" : base + "/kvlabel.log";
    f.engineLogDir = base + "/log";
    makeFolders(base);
    makeFolders(f.spoolDir);
    makeFolders(f.engineLogDir);
    return f;
}

}  // namespace kvapp

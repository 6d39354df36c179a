// Where the application keeps its state, spool and logs: the user's own
// folders for a user's server, system folders for root, each overridable.
#pragma once

#include <string>

namespace kvapp {

struct AppFolders {
    std::string stateFile;     // printers and settings across restarts
    std::string spoolDir;      // job files
    std::string logFile;       // PAPPL's log ("-" standard error, "syslog")
    std::string engineLogDir;  // the generators' diagnostic log and dump
};

// state-directory, spool-directory, log-file: the -o options of "server";
// absent ones take their default for this user (root: /var/lib/kvlabel,
// /var/spool/kvlabel, syslog; others: $XDG_STATE_HOME/kvlabel or
// ~/.local/state/kvlabel). Creates the folders (mode 0700).
AppFolders appFolders(const char* stateDir, const char* spoolDir, const char* logFile);

}  // namespace kvapp

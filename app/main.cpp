// kvlabel: the printer application for Kovali label, receipt and portable
// printers. PAPPL's main loop gives it the usual sub-commands (server, add,
// submit, ...) and the web interface; the system callback puts state, spool
// and logs in the user's folders unless told otherwise.
#include <pappl/pappl.h>

#include <cstring>
#include <string>

#include "app/app_folders.h"
#include "app/driver_setup.h"
#include "app/engine_adapter.h"
#include "app/printer_status.h"
#include "app/raster_driver.h"
#include "app/submit_test.h"

namespace {

constexpr const char* kVersion = "1.0.0";
constexpr const char* kFooter =
    "Kovali label printer application. Label, receipt and portable printers as IPP Everywhere printers.";

pappl_loglevel_t logLevel(const char* value) {
    if (value == nullptr) return PAPPL_LOGLEVEL_WARN;
    if (std::strcmp(value, "debug") == 0) return PAPPL_LOGLEVEL_DEBUG;
    if (std::strcmp(value, "info") == 0) return PAPPL_LOGLEVEL_INFO;
    if (std::strcmp(value, "error") == 0) return PAPPL_LOGLEVEL_ERROR;
    if (std::strcmp(value, "fatal") == 0) return PAPPL_LOGLEVEL_FATAL;
    return PAPPL_LOGLEVEL_WARN;
}

bool saveState(pappl_system_t* system, void* stateFile) {
    return papplSystemSaveState(system, static_cast<const char*>(stateFile));
}

// Options of "kvlabel server -o name=value": server-port, listen-hostname
// ("*" for every address; default localhost), server-hostname, log-level,
// log-file, state-directory, spool-directory, tls (on).
pappl_system_t* createSystem(int numOptions, cups_option_t* options, void* /*data*/) {
    auto opt = [&](const char* name) { return cupsGetOption(name, numOptions, options); };
    static kvapp::AppFolders folders;
    folders = kvapp::appFolders(opt("state-directory"), opt("spool-directory"), opt("log-file"));
    kvapp::setEngineLogDirectory(folders.engineLogDir);
    kvapp::setTestLabelFolder(folders.spoolDir);

    const char* portText = opt("server-port");
    const int port = portText != nullptr ? std::atoi(portText) : 0;
    const bool tls = opt("tls") != nullptr && std::strcmp(opt("tls"), "on") == 0;
    const pappl_soptions_t soptions = PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE |
                                      PAPPL_SOPTIONS_WEB_LOG | PAPPL_SOPTIONS_WEB_SECURITY |
                                      (tls ? PAPPL_SOPTIONS_WEB_TLS : PAPPL_SOPTIONS_NO_TLS);
    pappl_system_t* system =
        papplSystemCreate(soptions, "Kovali Label Printers", port, "_print,_universal", folders.spoolDir.c_str(),
                          folders.logFile.c_str(), logLevel(opt("log-level")), nullptr, false);
    if (system == nullptr) return nullptr;
    const char* listen = opt("listen-hostname");
    if (listen == nullptr) listen = "localhost";
    papplSystemAddListeners(system, std::strcmp(listen, "*") == 0 ? nullptr : listen);
    if (const char* host = opt("server-hostname")) papplSystemSetHostName(system, host);
    papplSystemSetMIMECallback(system, &kvapp::rawFormatOf, nullptr);
    papplSystemLoadState(system, folders.stateFile.c_str());
    papplSystemSetSaveCallback(system, &saveState, const_cast<char*>(folders.stateFile.c_str()));
    pappl_version_t version{};
    std::strncpy(version.name, "kvlabel", sizeof version.name - 1);
    std::strncpy(version.sversion, kVersion, sizeof version.sversion - 1);
    version.version[0] = 1;
    papplSystemSetVersions(system, 1, &version);
    return system;
}

}  // namespace

int main(int argc, char* argv[]) {
    auto& drivers = kvapp::driverList();
    // "submit --test": the printer's test label stands in for the file.
    kvapp::TestLabelArgument test(argc, argv);
    if (!test.ok()) return 1;
    return papplMainloop(argc, argv, kVersion, kFooter, static_cast<int>(drivers.size()), drivers.data(),
                         &kvapp::autoAddCallback, &kvapp::driverCallback, nullptr, nullptr, &createSystem, nullptr,
                         nullptr);
}

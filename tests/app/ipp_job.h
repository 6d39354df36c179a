// Print jobs sent the way IPP clients send them: an ipptool test file with a
// Print-Job request (job attributes given as ipptool ATTR lines) followed by
// Get-Job-Attributes until the job has ended.
#pragma once

#include <string>

#include "tests/app/app_server.h"

namespace kvapptest {

// The operation attributes every request of these tests starts with (ipptool
// lines; $uri is the printer's).
inline constexpr const char* kOperationGroup =
    "  GROUP operation-attributes-tag\n"
    "  ATTR charset attributes-charset utf-8\n"
    "  ATTR naturalLanguage attributes-natural-language en\n"
    "  ATTR uri printer-uri $uri\n"
    "  ATTR name requesting-user-name test\n";

struct IppJob {
    std::string format = "image/pwg-raster";
    std::string attrs;           // ipptool lines for the job-attributes group
    std::string document;        // bytes of the document
    std::string endState = "9";  // job-state to wait for (9 completed)
};

// Sends the job and waits (bounded) until it reaches endState; returns the
// ipptool run (status 0 when every request passed).
kvcups::CommandResult printIppJob(AppServer& server, const std::string& printer, const IppJob& job);

// An ipptool request that sets printer attributes (ipptool ATTR lines).
kvcups::CommandResult setPrinterAttributes(AppServer& server, const std::string& printer, const std::string& attrs);

}  // namespace kvapptest

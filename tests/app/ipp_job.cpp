// ipptool test files written per job.
#include "tests/app/ipp_job.h"

#include <fstream>

namespace kvapptest {
namespace {

std::string writeFile(AppServer& server, const std::string& name, const std::string& bytes) {
    const std::string path = server.dir() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

}  // namespace

kvcups::CommandResult printIppJob(AppServer& server, const std::string& printer, const IppJob& job) {
    static int serial = 0;
    const std::string document = writeFile(server, "doc" + std::to_string(++serial), job.document);
    const std::string test = std::string("{\n  NAME \"Print-Job\"\n  OPERATION Print-Job\n") + kOperationGroup +
                             "  ATTR mimeMediaType document-format " + job.format + "\n" +
                             "  GROUP job-attributes-tag\n" + job.attrs + "  FILE " + document +
                             "\n  STATUS successful-ok\n}\n"
                             "{\n  NAME \"Wait for the job\"\n  OPERATION Get-Job-Attributes\n" +
                             kOperationGroup +
                             "  ATTR integer job-id $job-id\n  STATUS successful-ok\n  DELAY 0.1\n"
                             "  EXPECT job-state WITH-VALUE >" +
                             std::to_string(std::stoi(job.endState) - 1) + " REPEAT-NO-MATCH REPEAT-LIMIT 300\n}\n";
    const std::string path = writeFile(server, "job" + std::to_string(serial) + ".test", test);
    return server.ipptool({"-t", server.printerUri(printer), path}, 90);
}

kvcups::CommandResult setPrinterAttributes(AppServer& server, const std::string& printer, const std::string& attrs) {
    const std::string test = std::string("{\n  OPERATION Set-Printer-Attributes\n") + kOperationGroup +
                             "  GROUP printer-attributes-tag\n" + attrs + "  STATUS successful-ok\n}\n";
    const std::string path = writeFile(server, "set-printer.test", test);
    return server.ipptool({"-t", server.printerUri(printer), path}, 30);
}

}  // namespace kvapptest

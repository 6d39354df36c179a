// A job's way to its printer: one job at a time per printer, a job's own
// device for file and folder targets, second runs of a job print nothing.
#include "app/job_output.h"

#include <sys/stat.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <set>

namespace kvapp {
namespace {

// Jobs of a printer remembered as printed, to recognise a late second run.
constexpr size_t kRememberedJobs = 256;

struct PrinterTurn {
    int owner = 0;          // the job writing now (0: none)
    std::set<int> claimed;  // jobs with a run that waits or writes
    std::deque<int> ended;  // the last jobs whose run has ended
};

std::mutex gLock;
std::condition_variable gChanged;
std::map<int, PrinterTurn> gPrinters;  // by printer id

bool hasEnded(const PrinterTurn& turn, int jobId) {
    for (const int id : turn.ended) {
        if (id == jobId) return true;
    }
    return false;
}

}  // namespace

bool jobOpensOwnDevice(const char* uri) {
    if (uri == nullptr) return false;
    char scheme[32], userpass[256], host[256], resource[1024];
    int port = 0;
    if (httpSeparateURI(HTTP_URI_CODING_ALL, uri, scheme, sizeof scheme, userpass, sizeof userpass, host, sizeof host,
                        &port, resource, sizeof resource) < HTTP_URI_STATUS_OK) {
        return false;
    }
    if (std::strcmp(scheme, "file") != 0) return false;
    if (char* options = std::strchr(resource, '?')) *options = '\0';
    struct stat info {};
    // A file yet to be made, a regular file or a folder; not a device node.
    return stat(resource, &info) != 0 || !S_ISCHR(info.st_mode);
}

std::unique_ptr<JobOutput> JobOutput::claim(pappl_job_t* job, pappl_device_t* papplDevice, bool& opened) {
    opened = true;
    pappl_printer_t* printer = papplJobGetPrinter(job);
    const int printerId = papplPrinterGetID(printer);
    const int jobId = papplJobGetID(job);
    bool secondRun = false;
    int waitedFor = 0;
    {
        std::unique_lock<std::mutex> lock(gLock);
        PrinterTurn& turn = gPrinters[printerId];
        if (turn.claimed.count(jobId) != 0 || hasEnded(turn, jobId)) {
            secondRun = true;
            gChanged.wait(lock, [&] { return turn.claimed.count(jobId) == 0; });
        } else {
            turn.claimed.insert(jobId);
            waitedFor = turn.owner;
            gChanged.wait(lock, [&] { return turn.owner == 0; });
            turn.owner = jobId;
        }
    }
    if (secondRun) {
        papplLogJob(job, PAPPL_LOGLEVEL_WARN, "The job was started twice: this run prints nothing.");
        return nullptr;
    }
    if (waitedFor != 0) {
        papplLogJob(job, PAPPL_LOGLEVEL_WARN, "Job %d had the printer: waited for its end.", waitedFor);
    }
    std::unique_ptr<JobOutput> out(new JobOutput(printerId, jobId));
    const char* uri = papplPrinterGetDeviceURI(printer);
    if (!jobOpensOwnDevice(uri)) {
        if (papplDevice == nullptr) {  // closed by the end of a job PAPPL ran beside this one
            papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "The printer's device was closed by another job.");
            opened = false;
            return nullptr;
        }
        out->device_ = papplDevice;
        return out;
    }
    out->ownDevice_ = true;
    out->device_ = papplDeviceOpen(uri, papplJobGetName(job), papplLogDevice, papplPrinterGetSystem(printer));
    if (out->device_ == nullptr) {
        papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "Unable to open the printer's file.");
        opened = false;
        return nullptr;
    }
    return out;
}

JobOutput::~JobOutput() {
    if (ownDevice_ && device_ != nullptr) papplDeviceClose(device_);
    {
        const std::lock_guard<std::mutex> lock(gLock);
        PrinterTurn& turn = gPrinters[printerId_];
        turn.claimed.erase(jobId_);
        turn.ended.push_back(jobId_);
        if (turn.ended.size() > kRememberedJobs) turn.ended.pop_front();
        if (turn.owner == jobId_) turn.owner = 0;
    }
    gChanged.notify_all();
}

}  // namespace kvapp

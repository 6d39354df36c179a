// A job's way to its printer. PAPPL 1.3.1 does not keep to one job at a time
// per printer: its job check starts a job thread before the job it started
// last has claimed the printer, so two jobs can print at once on one device
// (and the first of them to end closes that device under the other when it
// is a file), and the two ends then each start the next job: one job runs in
// two threads. Every job callback of ours therefore goes through a
// JobOutput, which
//  - lets one job at a time of a printer write (the others wait for their
//    turn, so jobs never interleave on the printer);
//  - writes a file or folder target through a device the job opens and
//    closes itself, so no other job's end can close it under the job;
//  - recognises a second run of a job that already printed (or is printing)
//    and lets that run print nothing.
// USB, network and character-device printers take one open at a time: there
// the job writes through PAPPL's device, which PAPPL closes only when no job
// is left.
#pragma once

#include <pappl/pappl.h>

#include <memory>

namespace kvapp {

class JobOutput {
public:
    // Waits for the printer's turn. Null when this thread is a second run of
    // a job another thread has printed (it returns once that run is over);
    // `opened` then stays true. Null with `opened` false when the job's own
    // device could not be opened (logged).
    static std::unique_ptr<JobOutput> claim(pappl_job_t* job, pappl_device_t* papplDevice, bool& opened);
    ~JobOutput();  // closes the job's own device, then gives the turn back
    JobOutput(const JobOutput&) = delete;
    JobOutput& operator=(const JobOutput&) = delete;

    pappl_device_t* device() const { return device_; }

private:
    JobOutput(int printerId, int jobId) : printerId_(printerId), jobId_(jobId) {}

    int printerId_;
    int jobId_;
    pappl_device_t* device_ = nullptr;
    bool ownDevice_ = false;
};

// True when a device URI names a regular file or a folder (file://), which
// can be opened by each job on its own.
bool jobOpensOwnDevice(const char* uri);

}  // namespace kvapp

// Progress reports of the two downloads: a file (class 2) and a custom-print
// image (class 8). The states say how the printer took the start, each piece
// and the end; the progress is the share of the download's bytes sent so far.
#include "protocol/command_builders.h"
#include "protocol/host/reply_analysis.h"
#include "protocol/host/reply_fields.h"
#include "protocol/printer_families.h"
#include "protocol/protocol_state.h"

namespace {

// Printer download states as reported.
enum : uint32_t {
    kStarted = 1,
    kPieceTaken = 2,
    kFinished = 3,
    kStartBusy = 4,
    kStartRefused = 5,
    kFailed = 6,
    kPieceRejected = 7,
};

std::string share(uint32_t done, uint32_t total) {
    return kvFormat("%0.3lf", total == 0 ? 0.0 : double(done) / double(total));
}

// Byte `at` of the payload, 0 when the payload is shorter.
uint32_t byteAt(PayloadBytes p, size_t at) { return at < p.size() ? p[at] : 0; }

uint32_t store(KVCmdDecodeInfo& d, const char* stateKey, const char* progressKey, uint32_t state,
               const std::string& progress, bool good) {
    JsonReport report;
    report.addInt(stateKey, state);
    report.add(progressKey, progress);
    const uint32_t stored = kvStoreReport(d, report);
    return good ? stored : KV_RESULT_FAILED;
}

uint32_t mapStart(uint32_t status) {
    switch (status) {
        case 1: return kStarted;
        case 2: return kStartBusy;
        case 3: return kStartRefused;
        default: return status;
    }
}

bool startGood(uint32_t state) { return state == kStarted || state == kStartBusy || state == kStartRefused; }

}  // namespace

uint32_t kvReportDownload(KVCmdDecodeInfo& d, PayloadBytes p) {
    const char* sk = "downFileState";
    const char* pk = "downFileProgress";
    const bool reply = d.kind == kKindReply;
    const uint32_t status = byteAt(p, 0) | byteAt(p, 1) << 8;
    switch (d.subCmd) {
        case 1: {
            if (!reply) return store(d, sk, pk, kFailed, "0.000", false);
            const uint32_t state = mapStart(status);
            return store(d, sk, pk, state, "0.000", startGood(state));
        }
        case 2: return store(d, sk, pk, reply ? kFinished : kFailed, "1.000", reply);
        case 3: {
            const KVDownFileProgress* progress = kvDownFileProgress();
            const std::string done = share(progress->currentLength, progress->totalLength);
            if (!reply) return store(d, sk, pk, kFailed, done, false);
            const uint32_t state = status == 1 ? kPieceTaken : (status == 2 || status == 3) ? kFailed : status;
            return store(d, sk, pk, state, done, state == kPieceTaken || state == kFailed);
        }
        default: return getODMPrinterType() == kOdmRawRows ? analysisPack_RD(&d) : KV_RESULT_UNKNOWN;
    }
}

uint32_t kvReportCustomPrint(KVCmdDecodeInfo& d, PayloadBytes p) {
    const char* sk = "downCustomPrintState";
    const char* pk = "downCustomPrintProgress";
    const bool reply = d.kind == kKindReply;
    const uint32_t status = byteAt(p, 0);
    switch (d.subCmd) {
        case 9: {
            if (!reply) return store(d, sk, pk, kFailed, "0.000", false);
            const uint32_t state = mapStart(status);
            return store(d, sk, pk, state, "0.000", startGood(state));
        }
        case 10: return store(d, sk, pk, reply ? kFinished : kFailed, "1.000", reply);
        case 11: {
            uint32_t sent = 0, total = 0;
            RD_getDownCustomPrintProgress(&sent, &total);
            const std::string done = share(sent, total);
            if (!reply) return store(d, sk, pk, kFailed, done, false);
            const uint32_t state = status == 1 ? kPieceTaken : status == 2 ? kPieceRejected : status;
            return store(d, sk, pk, state, done, state == kPieceTaken || state == kPieceRejected);
        }
        default: return KV_RESULT_UNKNOWN;
    }
}

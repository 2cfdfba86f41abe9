#pragma once
// The service under faults: many large uploads at once, cut at random and
// resumed the way the client library resumes them, the service killed and
// restarted in the middle, recharges on the same accounts meanwhile. Then
// the data folder is checked: every job completed or refunded, every
// balance the sum of its records, no spool file left unaccounted for.
// The service runs with --instant-engine, so the engines take no time.

#include <QString>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace cw::testing {

struct SoakPlan {
    QString binary;   // the service
    QString dataDir;  // empty, its own
    int uploads = 16;
    int64_t audioBytes = 512 << 10;  // each WAV, header included
    int kills = 3;
    int accounts = 4;
    int rechargers = 2;
    int maxCutsPerUpload = 3;
    unsigned seed = 1;
};

struct SoakFigures {
    int completed = 0;    // the client got its result
    int refused = 0;      // a final status other than a result
    int unfinished = 0;   // gave up retrying: a fault
    int cuts = 0;
    int reconnects = 0;   // after a kill or a busy upload
    int kills = 0;
    int rechargesAccepted = 0;
    int rechargesLost = 0;  // no reply (a kill)
    // Faults found in the data folder afterwards.
    int balanceMismatches = 0;  // balance != sum of records
    int doubleCharges = 0;      // more than one charge for one upload
    int wrongCharges = 0;       // a charge of the wrong seconds, or one for a refused upload
    int unpaidResults = 0;      // result delivered, no charge (a kill right between)
    int refundedCharges = 0;    // charged, but the result could not be sent
    int stuckJobs = 0;          // still uploading or running after a clean stop
    int resumedAhead = 0;       // the service claimed bytes never sent
    int leakedSpoolFiles = 0;   // files of uploads that have ended
    int resumableSpoolFiles = 0;  // files of uploads a client would still resume
    int paidSpoolFiles = 0;       // charged uploads kept in case the result never arrived
    std::map<std::string, int> jobStates;  // every job row (one per announcement) by its last state
    int serviceStopCode = 0;    // of the final clean stop
    bool restartFailed = false;
    double seconds = 0;
    std::vector<std::string> notes;  // what each fault was
};

SoakFigures runUploadSoak(const SoakPlan &plan);
std::string describe(const SoakPlan &plan, const SoakFigures &figures);

}  // namespace cw::testing

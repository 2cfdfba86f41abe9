// The service under faults at full scale: by default 200 concurrent uploads
// of 10 MiB, cut at random and resumed, three kills and restarts, recharges
// meanwhile; then the figures and every fault found in the data folder.
//
//     bench_service_soak [UPLOADS [MIB [KILLS [SEED]]]]

#include "UploadSoak.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    cw::testing::SoakPlan plan;
    plan.binary = QStringLiteral(CW_SERVICE_BINARY);
    plan.dataDir = dir.path();
    plan.uploads = argc > 1 ? std::atoi(argv[1]) : 200;
    plan.audioBytes = (argc > 2 ? std::atoll(argv[2]) : 10) << 20;
    plan.kills = argc > 3 ? std::atoi(argv[3]) : 3;
    plan.seed = argc > 4 ? unsigned(std::atoi(argv[4])) : 1;
    plan.accounts = 8;
    plan.rechargers = 4;
    const cw::testing::SoakFigures figures = cw::testing::runUploadSoak(plan);
    std::printf("%s\n", cw::testing::describe(plan, figures).c_str());
    const bool clean = !figures.restartFailed && figures.unfinished == 0 && figures.balanceMismatches == 0
                       && figures.doubleCharges == 0 && figures.wrongCharges == 0 && figures.stuckJobs == 0
                       && figures.resumedAhead == 0 && figures.leakedSpoolFiles == 0;
    return clean ? 0 : 1;
}

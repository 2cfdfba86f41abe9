// The service under faults, at a scale ctest can afford: bench_service_soak
// runs the same at full scale (200 uploads of 10 MiB).

#include "UploadSoak.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

TEST(ServiceSoak, CutUploadsKillsAndRechargesLoseNoMoneyAndLeaveNoFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    cw::testing::SoakPlan plan;
    plan.binary = QStringLiteral(CW_SERVICE_BINARY);
    plan.dataDir = dir.path();
    plan.uploads = 24;
    plan.audioBytes = 512 << 10;
    plan.kills = 3;
    const cw::testing::SoakFigures f = cw::testing::runUploadSoak(plan);
    const std::string figures = cw::testing::describe(plan, f);
    std::printf("%s\n", figures.c_str());
    SCOPED_TRACE(figures);
    ASSERT_FALSE(f.restartFailed);
    EXPECT_EQ(f.kills, 3);
    EXPECT_EQ(f.completed, plan.uploads);  // the instant engine never fails a job
    EXPECT_EQ(f.unfinished, 0);
    EXPECT_EQ(f.balanceMismatches, 0);
    EXPECT_EQ(f.doubleCharges, 0);
    EXPECT_EQ(f.wrongCharges, 0);
    EXPECT_EQ(f.stuckJobs, 0);
    EXPECT_EQ(f.resumedAhead, 0);
    EXPECT_EQ(f.leakedSpoolFiles, 0);
    EXPECT_EQ(f.resumableSpoolFiles, 0);
    // Charged before the result goes out, never after.
    EXPECT_EQ(f.unpaidResults, 0);
    EXPECT_EQ(f.serviceStopCode, 0);
    EXPECT_GT(f.rechargesAccepted, 0);
}

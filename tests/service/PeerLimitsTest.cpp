// What one peer may hold of the service: connection slots per address,
// request deadlines, and log-in guesses per account and address.

#include "ConnectionLimits.h"
#include "LoginBackoff.h"
#include "ServiceOptions.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

using namespace cw::service;

namespace {

std::string keyOf(const char *text)
{
    sockaddr_storage storage{};
    if (std::string(text).find(':') == std::string::npos) {
        auto *v4 = reinterpret_cast<sockaddr_in *>(&storage);
        v4->sin_family = AF_INET;
        inet_pton(AF_INET, text, &v4->sin_addr);
    } else {
        auto *v6 = reinterpret_cast<sockaddr_in6 *>(&storage);
        v6->sin6_family = AF_INET6;
        inet_pton(AF_INET6, text, &v6->sin6_addr);
    }
    return peerKey(reinterpret_cast<const sockaddr *>(&storage));
}

}  // namespace

TEST(PeerSlots, OneAddressFillsOnlyItsOwnShare)
{
    PeerSlots slots(5, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(slots.take("10.0.0.1"), PeerSlots::Admission::Admitted);
    EXPECT_EQ(slots.take("10.0.0.1"), PeerSlots::Admission::PeerFull);
    EXPECT_EQ(slots.of("10.0.0.1"), 3);
    EXPECT_EQ(slots.take("10.0.0.2"), PeerSlots::Admission::Admitted);
    EXPECT_EQ(slots.take("10.0.0.3"), PeerSlots::Admission::Admitted);
    EXPECT_EQ(slots.take("10.0.0.4"), PeerSlots::Admission::ServiceFull);
    slots.give("10.0.0.1");
    EXPECT_EQ(slots.take("10.0.0.4"), PeerSlots::Admission::Admitted);
    // A slot given back by a peer holding none changes nothing.
    slots.give("10.0.0.9");
    EXPECT_EQ(slots.total(), 5);
    for (const char *peer : {"10.0.0.1", "10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4"})
        slots.give(peer);
    EXPECT_EQ(slots.total(), 0);
    EXPECT_EQ(slots.of("10.0.0.1"), 0);
}

TEST(PeerSlots, AddressesAreCountedByHostNotBySpelling)
{
    EXPECT_EQ(keyOf("127.0.0.2"), "127.0.0.2");
    EXPECT_EQ(keyOf("::ffff:192.0.2.7"), "192.0.2.7");
    // A host commonly holds a whole /64: its addresses share one key.
    EXPECT_EQ(keyOf("2001:db8:1:2:aaaa::1"), keyOf("2001:db8:1:2:ffff:1:2:3"));
    EXPECT_EQ(keyOf("2001:db8:1:2::1"), "2001:db8:1:2::/64");
    EXPECT_NE(keyOf("2001:db8:1:2::1"), keyOf("2001:db8:1:3::1"));
}

TEST(RequestDeadlines, ScaleWithLengthButNeverLetATrickleLast)
{
    ConnectionLimits limits;
    using std::chrono::seconds;
    EXPECT_EQ(limits.transferTime(0), limits.transferFloor);
    EXPECT_EQ(limits.transferTime(-5), limits.transferFloor);
    // A 10 MiB upload fits on a 32 KiB/s line; a day's drip does not.
    EXPECT_GE(limits.transferTime(10 << 20), seconds((10 << 20) / (32 << 10)));
    EXPECT_LT(limits.transferTime(10 << 20), seconds(3600));
    // Huge declared lengths stay finite and far from overflowing the clock.
    EXPECT_LE(limits.transferTime(INT64_MAX), seconds(8 * 24 * 3600));
    EXPECT_GT(std::chrono::steady_clock::now() + limits.transferTime(INT64_MAX), std::chrono::steady_clock::now());
}

TEST(RequestDeadlines, ComeFromTheCommandLine)
{
    ServiceOptions options;
    std::string error;
    ASSERT_TRUE(parseServiceOptions({"--max-connections", "50", "--max-connections-per-address", "4", "--idle-limit",
                                     "20", "--header-limit", "2", "--transfer-limit", "3", "--min-transfer-rate",
                                     "1000"},
                                    &options, &error))
        << error;
    EXPECT_EQ(options.limits.maxConnections, 50);
    EXPECT_EQ(options.limits.maxPerAddress, 4);
    EXPECT_EQ(options.limits.idle, std::chrono::seconds(20));
    EXPECT_EQ(options.limits.header, std::chrono::seconds(2));
    EXPECT_EQ(options.limits.transferTime(5000), std::chrono::seconds(8));
    for (const char *bad : {"0", "-1", "x", ""}) {
        ServiceOptions rejected;
        EXPECT_FALSE(parseServiceOptions({"--max-connections-per-address", bad}, &rejected, &error)) << bad;
        EXPECT_FALSE(parseServiceOptions({"--header-limit", bad}, &rejected, &error)) << bad;
    }
}

TEST(AccountBackoff, OnlyGuessesSpreadOverManyAddressesLockTheAccount)
{
    const int perAddress = LoginBackoff::kMaxFailures;
    // One address alone cannot get there: once it rests it adds no more.
    int account = 0;
    for (int failures = 0; failures < 5 * perAddress; ++failures)
        account = LoginBackoff::accountFailuresAfterFailure(account, std::min(failures, perAddress));
    EXPECT_EQ(account, perAddress);
    EXPECT_TRUE(LoginBackoff::accountMayTry(account, 1000, 1000));

    // About ten addresses that each use up their share do.
    int addresses = 0;
    while (LoginBackoff::accountMayTry(account, 1000, 1000)) {
        ++addresses;
        for (int failures = 0; failures < perAddress; ++failures)
            account = LoginBackoff::accountFailuresAfterFailure(account, failures);
    }
    EXPECT_GE(addresses + 1, 9);  // the first address's share is counted above
    EXPECT_LE(addresses + 1, 11);
    // Then one try a day, each failure starting the day again.
    EXPECT_FALSE(LoginBackoff::accountMayTry(account, 1000, 1000 + LoginBackoff::kRestSeconds - 1));
    EXPECT_TRUE(LoginBackoff::accountMayTry(account, 1000, 1000 + LoginBackoff::kRestSeconds));
    EXPECT_EQ(LoginBackoff::accountFailuresAfterFailure(account, perAddress), LoginBackoff::kAccountMaxFailures);
}

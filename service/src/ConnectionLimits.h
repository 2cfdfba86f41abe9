#pragma once
// How much of the service one peer may hold: connection slots in all and per
// address, and how long a request may take. The idle limit alone would let
// a peer that drips one byte at a time keep its slot for ever; the
// deadlines bound the whole header and the whole body, however they trickle in.

#include <chrono>
#include <cstdint>
#include <map>
#include <string>

struct sockaddr;

namespace cw::service {

struct ConnectionLimits {
    int maxConnections = 1000;
    // An office behind one address opens a few connections per user at once.
    int maxPerAddress = 64;
    std::chrono::milliseconds idle{60000};
    std::chrono::milliseconds header{10000};
    // Any body, reply or upload gets at least this long...
    std::chrono::milliseconds transferFloor{30000};
    // ...plus its length at this rate: 10 MiB take 10 minutes at 16 KiB/s.
    int64_t minBytesPerSecond = 16 << 10;

    // The whole time `bytes` may take in one direction.
    std::chrono::milliseconds transferTime(int64_t bytes) const;
};

// Whom a connection is counted against: the IPv4 address (also when it
// comes mapped into IPv6), or the /64 of an IPv6 address, since one host is
// routinely given a whole /64. Empty for anything else.
std::string peerKey(const sockaddr *address);

// Connection slots by peer; not thread-safe, its owner locks.
class PeerSlots {
public:
    enum class Admission { Admitted, PeerFull, ServiceFull };
    PeerSlots(int maxTotal, int maxPerPeer) : maxTotal_(maxTotal), maxPerPeer_(maxPerPeer) {}

    Admission take(const std::string &peer);
    void give(const std::string &peer);
    int total() const { return total_; }
    int of(const std::string &peer) const;

private:
    int maxTotal_;
    int maxPerPeer_;
    int total_ = 0;
    std::map<std::string, int> byPeer_;  // only peers holding a slot
};

}  // namespace cw::service

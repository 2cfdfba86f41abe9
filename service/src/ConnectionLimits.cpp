#include "ConnectionLimits.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

namespace cw::service {

std::chrono::milliseconds ConnectionLimits::transferTime(int64_t bytes) const
{
    const int64_t rate = std::max<int64_t>(minBytesPerSecond, 1);
    // Capped at a week, far from any overflow of the clock's arithmetic.
    const int64_t seconds = std::min<int64_t>(std::max<int64_t>(bytes, 0) / rate, 7 * 24 * 3600);
    return transferFloor + std::chrono::milliseconds(seconds * 1000);
}

std::string peerKey(const sockaddr *address)
{
    char text[INET6_ADDRSTRLEN] = {0};
    if (address->sa_family == AF_INET) {
        const auto *v4 = reinterpret_cast<const sockaddr_in *>(address);
        return inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text) ? text : "";
    }
    if (address->sa_family != AF_INET6)
        return {};
    const auto *v6 = reinterpret_cast<const sockaddr_in6 *>(address);
    if (IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr)) {
        in_addr v4{};
        std::memcpy(&v4, v6->sin6_addr.s6_addr + 12, 4);
        return inet_ntop(AF_INET, &v4, text, sizeof text) ? text : "";
    }
    in6_addr prefix = v6->sin6_addr;
    std::memset(prefix.s6_addr + 8, 0, 8);
    return inet_ntop(AF_INET6, &prefix, text, sizeof text) ? std::string(text) + "/64" : "";
}

PeerSlots::Admission PeerSlots::take(const std::string &peer)
{
    if (total_ >= maxTotal_)
        return Admission::ServiceFull;
    const auto found = byPeer_.find(peer);
    if (found != byPeer_.end() && found->second >= maxPerPeer_)
        return Admission::PeerFull;
    ++byPeer_[peer];
    ++total_;
    return Admission::Admitted;
}

void PeerSlots::give(const std::string &peer)
{
    const auto found = byPeer_.find(peer);
    if (found == byPeer_.end())
        return;
    --total_;
    if (--found->second <= 0)
        byPeer_.erase(found);
}

int PeerSlots::of(const std::string &peer) const
{
    const auto found = byPeer_.find(peer);
    return found == byPeer_.end() ? 0 : found->second;
}

}  // namespace cw::service

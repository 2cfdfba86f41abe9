// The service's JSON request bodies: every decoder on the same text, and what
// a decoder accepts has passed its value checks.

#include "RequestBodies.h"
#include "FuzzCheck.h"

#include <cstdio>
#include <cstdlib>

using namespace cw::service;

namespace {

bool isLowerHexDigest(const std::string &text)
{
    return isHexDigest(text) && lowercase(text) == text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string body(reinterpret_cast<const char *>(data), size);
    if (const auto r = decodeRegistration(body))
        FUZZ_CHECK(isValidUsername(r->username) && isLowerHexDigest(r->passwordDigest) && r->email.size() <= 254);
    if (const auto r = decodeLogin(body))
        FUZZ_CHECK(isValidUsername(r->username) && isLowerHexDigest(r->passwordDigest));
    if (const auto r = decodeRecharge(body))
        FUZZ_CHECK(isLowerHexDigest(r->session) && r->money.size() <= 256);
    if (const auto r = decodePasswordChange(body))
        FUZZ_CHECK(isValidUsername(r->username) && isLowerHexDigest(r->passwordDigest)
                   && isLowerHexDigest(r->newPasswordDigest));
    if (const auto r = decodeSession(body))
        FUZZ_CHECK(isLowerHexDigest(r->session));
    if (const auto r = decodeRange(body))
        FUZZ_CHECK(isLowerHexDigest(r->session));
    if (const auto a = decodeAnnouncement(body)) {
        FUZZ_CHECK(isValidUsername(a->username) && isLowerHexDigest(a->session) && isLowerHexDigest(a->fingerprint));
        FUZZ_CHECK(a->audioSize >= kMinAudioSize && a->audioSize <= kMaxAudioSize);
        FUZZ_CHECK(a->textSize >= 0 && a->textSize <= kMaxTranscriptSize);
        FUZZ_CHECK(a->hasTranscript() == !a->textFingerprint.empty());
        FUZZ_CHECK(a->durationSeconds >= 0);
        FUZZ_CHECK(a->filename.size() <= 1024 && a->textname.size() <= 1024);
    }
    return 0;
}

#pragma once
// Slow salted hashing of the password digests clients send (Argon2id). The
// memory each hash takes is bounded by letting only a few run at a time.

#include <condition_variable>
#include <mutex>
#include <string>

namespace cw::service {

class PasswordHasher {
public:
    // `parallel` hashes at most at once; the cost parameters are fixed.
    explicit PasswordHasher(int parallel);

    // Empty on failure (out of memory).
    std::string hash(const std::string &secret);
    // Constant time in the secret; false for a malformed stored hash.
    bool verify(const std::string &storedHash, const std::string &secret);
    // Spends the time of one verification without any account, so that an
    // unknown user costs the same as a wrong password.
    void verifyNothing(const std::string &secret);

private:
    class Slot;
    std::mutex mutex_;
    std::condition_variable freed_;
    int free_;
    std::string decoyHash_;
};

}  // namespace cw::service

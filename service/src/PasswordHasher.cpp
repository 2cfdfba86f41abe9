#include "PasswordHasher.h"

#include <sodium.h>

#include <stdexcept>

namespace cw::service {

namespace {

// Argon2id, 2 passes over 19 MiB: the interactive recommendation, cheap enough
// that forty log-ins at once do not exhaust the machine.
constexpr unsigned long long kOpsLimit = 2;
constexpr size_t kMemLimit = 19u << 20;

}  // namespace

class PasswordHasher::Slot {
public:
    explicit Slot(PasswordHasher &owner) : owner_(owner)
    {
        std::unique_lock<std::mutex> lock(owner_.mutex_);
        owner_.freed_.wait(lock, [this] { return owner_.free_ > 0; });
        --owner_.free_;
    }
    ~Slot()
    {
        {
            std::lock_guard<std::mutex> lock(owner_.mutex_);
            ++owner_.free_;
        }
        owner_.freed_.notify_one();
    }

private:
    PasswordHasher &owner_;
};

PasswordHasher::PasswordHasher(int parallel) : free_(parallel > 0 ? parallel : 1)
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium cannot start");
    decoyHash_ = hash("00000000000000000000000000000000");
}

std::string PasswordHasher::hash(const std::string &secret)
{
    Slot slot(*this);
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, secret.data(), secret.size(), kOpsLimit, kMemLimit, crypto_pwhash_ALG_ARGON2ID13) != 0)
        return std::string();
    return std::string(out);
}

bool PasswordHasher::verify(const std::string &storedHash, const std::string &secret)
{
    if (storedHash.empty() || storedHash.size() >= crypto_pwhash_STRBYTES)
        return false;
    Slot slot(*this);
    return crypto_pwhash_str_verify(storedHash.c_str(), secret.data(), secret.size()) == 0;
}

void PasswordHasher::verifyNothing(const std::string &secret)
{
    verify(decoyHash_, secret);
}

}  // namespace cw::service

#include "Md5.h"

#include <openssl/evp.h>

#include <cstdio>
#include <stdexcept>

namespace cw::service {

struct Md5::State {
    EVP_MD_CTX *context = nullptr;
};

Md5::Md5() : state_(std::make_unique<State>())
{
    state_->context = EVP_MD_CTX_new();
    if (!state_->context || EVP_DigestInit_ex(state_->context, EVP_md5(), nullptr) != 1)
        throw std::runtime_error("MD5 unavailable");
}

Md5::~Md5()
{
    EVP_MD_CTX_free(state_->context);
}

void Md5::add(const void *data, size_t size)
{
    EVP_DigestUpdate(state_->context, data, size);
}

std::string Md5::hex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(state_->context, digest, &length);
    std::string text;
    char pair[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        text += pair;
    }
    return text;
}

std::string Md5::of(const std::string &bytes)
{
    Md5 md5;
    md5.add(bytes.data(), bytes.size());
    return md5.hex();
}

}  // namespace cw::service

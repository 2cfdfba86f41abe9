#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace cw::service {

// Incremental MD5 with the lowercase hex text the clients send.
class Md5 {
public:
    Md5();
    ~Md5();
    Md5(const Md5 &) = delete;
    Md5 &operator=(const Md5 &) = delete;

    void add(const void *data, size_t size);
    std::string hex();  // finishes; call once

    static std::string of(const std::string &bytes);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace cw::service

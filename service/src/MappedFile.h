#pragma once
// A read-only memory map of a whole file, so engines read long recordings
// without copying them.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace cw::service {

class MappedFile {
public:
    static std::shared_ptr<MappedFile> open(const std::string &path, std::string *error);
    ~MappedFile();
    MappedFile(const MappedFile &) = delete;
    MappedFile &operator=(const MappedFile &) = delete;

    const uint8_t *data() const { return data_; }
    size_t size() const { return size_; }

private:
    MappedFile() = default;
    const uint8_t *data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace cw::service

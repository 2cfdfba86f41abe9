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
    // Maps what `fd` refers to; the map outlives the descriptor and any unlink.
    static std::shared_ptr<MappedFile> map(int fd, std::string *error);
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

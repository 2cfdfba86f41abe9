#include "MappedFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cw::service {

std::shared_ptr<MappedFile> MappedFile::map(int fd, std::string *error)
{
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || info.st_size <= 0) {
        *error = "upload is empty";
        return nullptr;
    }
    void *mapped = ::mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped == MAP_FAILED) {
        *error = std::string("cannot map upload: ") + std::strerror(errno);
        return nullptr;
    }
    std::shared_ptr<MappedFile> file(new MappedFile);
    file->data_ = static_cast<const uint8_t *>(mapped);
    file->size_ = size_t(info.st_size);
    return file;
}

MappedFile::~MappedFile()
{
    if (data_)
        ::munmap(const_cast<uint8_t *>(data_), size_);
}

}  // namespace cw::service

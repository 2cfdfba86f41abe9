#include "MappedFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cw::service {

std::shared_ptr<MappedFile> MappedFile::open(const std::string &path, std::string *error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = std::string("cannot open upload: ") + std::strerror(errno);
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size <= 0) {
        ::close(fd);
        *error = "upload is empty";
        return nullptr;
    }
    void *mapped = ::mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
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

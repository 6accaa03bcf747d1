#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "new_file.h"
#include "path_text.h"

NewFileResult CreateNewFile(const std::filesystem::path& path, std::string_view bytes,
                            std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST)
            return NewFileResult::Exists;
        error = "cannot write " + PathText(path) + ": " + std::strerror(errno);
        return NewFileResult::Failed;
    }
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = "cannot write " + PathText(path) + ": " + std::strerror(errno);
            ::close(fd);
            ::unlink(path.c_str());
            return NewFileResult::Failed;
        }
        written += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) {
        error = "cannot write " + PathText(path) + ": " + std::strerror(errno);
        ::unlink(path.c_str());
        return NewFileResult::Failed;
    }
    return NewFileResult::Created;
}

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/vfs.h>
#endif

#include <cerrno>
#include <cstring>
#include <utility>

#include "ledger_lock.h"
#include "path_text.h"

namespace fs = std::filesystem;

StationLock::~StationLock() {
    if (file_ >= 0)
        ::close(static_cast<int>(file_));
}

StationLock::StationLock(StationLock&& other) noexcept : file_(std::exchange(other.file_, -1)) {}

StationLock& StationLock::operator=(StationLock&& other) noexcept {
    std::swap(file_, other.file_);
    return *this;
}

bool StationLock::Take(const fs::path& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = PathText(path) + " cannot be made: " + std::strerror(errno);
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int reason = errno;
        ::close(fd);
        error = reason == EWOULDBLOCK
                    ? "another station of this name runs on this ledger (it holds " +
                          PathText(path) + ")"
                    : PathText(path) + " cannot be locked: " + std::strerror(reason);
        return false;
    }
    if (file_ >= 0)
        ::close(static_cast<int>(file_));
    file_ = fd;
    return true;
}

bool LockHeldElsewhere(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;  // never made: no station of that name ran here
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);  // also lets go of a shared lock it got
    return held;
}

std::optional<std::string> NetworkFileSystem(const fs::path& folder) {
#ifdef __linux__
    struct statfs info {};
    if (statfs(folder.c_str(), &info) != 0)
        return std::nullopt;  // the ledger's own open says what is wrong
    // The magic numbers of linux/magic.h and the file systems' own headers.
    struct Kind {
        unsigned long magic;
        const char* name;
    };
    static constexpr Kind kNetwork[] = {
        {0x6969, "NFS"},       {0x517B, "SMB"},
        {0xFF534D42, "CIFS"},  {0xFE534D42, "SMB2"},
        {0x5346414F, "AFS"},   {0x6B414653, "AFS"},
        {0x73757245, "Coda"},  {0x00C36400, "Ceph"},
        {0x01021997, "9P"},    {0x65735546, "FUSE (sshfs and the like)"},
        {0x47504653, "GPFS"},  {0x0BD00BD0, "Lustre"},
        {0x013111A8, "IBRIX"}, {0x19830326, "FhGFS"},
    };
    const auto magic = static_cast<unsigned long>(info.f_type) & 0xFFFFFFFFul;
    for (const Kind& kind : kNetwork) {
        if (magic == kind.magic)
            return std::string(kind.name);
    }
#else
    (void)folder;
#endif
    return std::nullopt;
}

// What the ledger needs from the operating system: a lock that ends with the
// process holding it, and the kind of file system under the ledger. The
// system calls live in ledger_lock_posix.cpp (flock, statfs) and
// ledger_lock_win32.cpp (LockFileEx, GetDriveTypeW).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

// "LEDGER.NAME.lock" beside the ledger: the lock of station NAME.
std::filesystem::path StationLockPath(const std::filesystem::path& ledger,
                                      const std::string& station);

// An exclusive lock on a file, held until destroyed or until the process
// ends in any way (a SIGKILL included).
class StationLock {
  public:
    StationLock() = default;
    ~StationLock();
    StationLock(StationLock&& other) noexcept;
    StationLock& operator=(StationLock&& other) noexcept;

    // Takes the lock without waiting; false with the reason when another
    // process holds it or the file cannot be made.
    bool Take(const std::filesystem::path& path, std::string& error);

  private:
    // The lock file's descriptor (POSIX) or HANDLE (Windows); -1, which is
    // also INVALID_HANDLE_VALUE, when none.
    std::intptr_t file_ = -1;
};

// Whether a process holds the lock at `path` now (a report asks this before
// it names a station's open units lost).
bool LockHeldElsewhere(const std::filesystem::path& path);

// The name of the network file system `folder` lies on ("NFS", "SMB"; on
// Windows a network drive or share), or nothing for a local one. SQLite's
// WAL shares memory between processes, which a network file system cannot.
std::optional<std::string> NetworkFileSystem(const std::filesystem::path& folder);

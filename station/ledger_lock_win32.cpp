#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <utility>

#include "ledger_lock.h"
#include "path_text.h"
#include "win32_error_text.h"

namespace fs = std::filesystem;

namespace {

HANDLE HandleOf(std::intptr_t file) {
    return reinterpret_cast<HANDLE>(file);
}

// One byte at the start: a lock beyond the end of an empty file is allowed,
// and nobody reads the file, so its mandatory lock stops no one.
bool LockFirstByte(HANDLE file, DWORD flags) {
    OVERLAPPED at{};
    return LockFileEx(file, flags | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

HANDLE OpenLockFile(const fs::path& path, DWORD disposition) {
    // Not inherited: a program the station starts must not keep its lock.
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

StationLock::~StationLock() {
    if (file_ != -1)
        CloseHandle(HandleOf(file_));
}

StationLock::StationLock(StationLock&& other) noexcept : file_(std::exchange(other.file_, -1)) {}

StationLock& StationLock::operator=(StationLock&& other) noexcept {
    std::swap(file_, other.file_);
    return *this;
}

bool StationLock::Take(const fs::path& path, std::string& error) {
    const HANDLE file = OpenLockFile(path, OPEN_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) {
        error = PathText(path) + " cannot be made: " + Win32ErrorText(GetLastError());
        return false;
    }
    // Windows lets go of it when the process ends in any way.
    if (!LockFirstByte(file, LOCKFILE_EXCLUSIVE_LOCK)) {
        const DWORD reason = GetLastError();
        CloseHandle(file);
        error = reason == ERROR_LOCK_VIOLATION
                    ? "another station of this name runs on this ledger (it holds " +
                          PathText(path) + ")"
                    : PathText(path) + " cannot be locked: " + Win32ErrorText(reason);
        return false;
    }
    if (file_ != -1)
        CloseHandle(HandleOf(file_));
    file_ = reinterpret_cast<std::intptr_t>(file);
    return true;
}

bool LockHeldElsewhere(const fs::path& path) {
    const HANDLE file = OpenLockFile(path, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE)
        return false;  // never made: no station of that name ran here
    const bool held = !LockFirstByte(file, 0) && GetLastError() == ERROR_LOCK_VIOLATION;
    CloseHandle(file);  // also lets go of a shared lock it got
    return held;
}

std::optional<std::string> NetworkFileSystem(const fs::path& folder) {
    std::wstring path = folder.wstring();
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0)
        return "the network share \\\\" + PathText(fs::path(path.substr(8)));
    if (path.rfind(L"\\\\?\\", 0) == 0)
        path = path.substr(4);
    else if (path.rfind(L"\\\\.\\", 0) == 0)
        return std::nullopt;  // a device, not a file system; its open says what is wrong
    if (path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') &&
        (path[1] == L'\\' || path[1] == L'/'))
        return "the network share " + PathText(folder);
    // The volume holds the folder: a drive letter, or a folder a volume is
    // mounted on.
    wchar_t volume[MAX_PATH + 1] = {};
    if (!GetVolumePathNameW(path.c_str(), volume, MAX_PATH)) {
        if (path.size() < 2 || path[1] != L':')
            return std::nullopt;
        wcsncpy(volume, path.substr(0, 2).append(L"\\").c_str(), MAX_PATH);
    }
    if (GetDriveTypeW(volume) == DRIVE_REMOTE)
        return "the network drive " + PathText(fs::path(volume));
    return std::nullopt;
}

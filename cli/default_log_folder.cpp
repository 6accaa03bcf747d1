#include "default_log_folder.h"

#include <cstdlib>
#include <string>

#include "new_file.h"

namespace {

namespace fs = std::filesystem;

// Tried rather than read from the mode bits, which an administrator's
// account ignores.
bool CanCreateFileIn(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return false;
    // A probe of its own name: a stale or foreign probe file says nothing
    // about the folder.
    std::string error;
    const fs::path probe = WriteNewSibling(folder / ".printer-cli-write-test", {}, error);
    if (probe.empty())
        return false;
    fs::remove(probe, ec);
    return true;
}

#ifndef _WIN32
fs::path EnvironmentPath(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? fs::path(value) : fs::path();
}
#endif

fs::path UserDataFolder() {
#ifdef _WIN32
    // The wide form: a user name outside the ANSI code page is common there.
    const wchar_t* value = _wgetenv(L"LOCALAPPDATA");
    const fs::path base = value != nullptr ? fs::path(value) : fs::path();
#else
    // An XDG_DATA_HOME that is not absolute is to be ignored.
    fs::path base = EnvironmentPath("XDG_DATA_HOME");
    if (!base.is_absolute()) {
        const fs::path home = EnvironmentPath("HOME");
        base = home.empty() ? fs::path() : home / ".local" / "share";
    }
#endif
    return base.empty() ? fs::path() : base / "printer-tool";
}

}  // namespace

fs::path DefaultLogFolder(const fs::path& exeFolder) {
    if (CanCreateFileIn(exeFolder))
        return exeFolder;
    const fs::path user = UserDataFolder();
    std::error_code ec;
    if (user.empty() || (!fs::create_directories(user, ec) && ec))
        return exeFolder;  // nowhere better: saving the log reports the failure
    return user;
}

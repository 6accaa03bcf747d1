#include "install_layout.h"

#include <cstdlib>
#include <string>

#include "new_file.h"

namespace fs = std::filesystem;

namespace {

bool IsDirectory(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool IsFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

#ifdef _WIN32
// The wide form: a user name outside the ANSI code page is common there.
fs::path EnvironmentFolder(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value != nullptr ? fs::path(value) : fs::path();
}
#else
fs::path EnvironmentFolder(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? fs::path(value) : fs::path();
}
#endif

#if !defined(_WIN32) && !defined(__APPLE__)
// An XDG variable that is unset or not absolute is to be ignored, and the
// folder under the home taken instead.
fs::path XdgFolder(const char* name, const fs::path& underHome) {
    const fs::path value = EnvironmentFolder(name);
    if (value.is_absolute())
        return value;
    const fs::path home = EnvironmentFolder("HOME");
    return home.empty() ? fs::path() : home / underHome;
}
#endif

fs::path Within(const fs::path& base) {
    return base.empty() ? fs::path() : base / kShareFolderName;
}

}  // namespace

ProgramLayout DetectLayout(const fs::path& exeFolder) {
    ProgramLayout layout;
    // "/usr/bin/" names "" as its last part: the trailing separator goes first.
    const fs::path folder = exeFolder.has_filename() ? exeFolder : exeFolder.parent_path();
    const fs::path share = folder.parent_path() / "share" / kShareFolderName;
    if (folder.filename() == "bin" && IsDirectory(share)) {
        layout.installed = true;
        layout.shareFolder = share;
    }
    if (IsFile(folder / kInstalledMarkerName))
        layout.installed = true;
    layout.filesBesideProgram = !layout.installed && FolderTakesFiles(folder);
    return layout;
}

bool FolderTakesFiles(const fs::path& folder) {
    if (!IsDirectory(folder))
        return false;
    // A probe of its own name: a stale or foreign probe file says nothing
    // about the folder.
    std::string error;
    const fs::path probe = WriteNewSibling(folder / ".printer-tool-write-test", {}, error);
    if (probe.empty())
        return false;
    std::error_code ec;
    fs::remove(probe, ec);
    return true;
}

UserFolders UserFoldersFromEnvironment() {
#if defined(_WIN32)
    return {Within(EnvironmentFolder(L"APPDATA")), Within(EnvironmentFolder(L"LOCALAPPDATA"))};
#elif defined(__APPLE__)
    const fs::path home = EnvironmentFolder("HOME");
    const fs::path support = home.empty() ? fs::path() : home / "Library" / "Application Support";
    return {Within(support), Within(support)};
#else
    return {Within(XdgFolder("XDG_CONFIG_HOME", ".config")),
            Within(XdgFolder("XDG_DATA_HOME", fs::path(".local") / "share"))};
#endif
}

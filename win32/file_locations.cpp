#include "file_locations.h"

#include <windows.h>

#include <shlobj.h>

#include <filesystem>

#include "install_layout.h"
#include "utf8.h"

namespace {

constexpr const wchar_t* kFolderName = L"printer-tool\\";

std::wstring ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR found = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &found)))
        folder = std::wstring(found) + L"\\";
    CoTaskMemFree(found);
    return folder;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

Win32FileLocations ChooseFileLocations() {
    const std::wstring exe = ExecutablePath();
    const size_t slash = exe.find_last_of(L"\\/");
    const std::wstring exeFolder = exe.substr(0, slash + 1);
    std::wstring iniName = exe.substr(slash + 1);
    const size_t dot = iniName.find_last_of(L'.');
    iniName = (dot == std::wstring::npos ? iniName : iniName.substr(0, dot)) + L".ini";

    Win32FileLocations l;
    WindowFiles& f = l.files;
    f.exeFolder = Utf8(exeFolder);
    f.soundFolder = f.exeFolder;
    const ProgramLayout layout = DetectLayout(std::filesystem::path(exeFolder));
    l.installed = layout.installed;
    l.userFolders = !layout.filesBesideProgram;
    if (!l.userFolders) {
        // The zip's printer-tool.ini is the configuration itself.
        f.configFile = Utf8(exeFolder + iniName);
        f.workFolder = f.dataFolder = f.fontFolder = f.exeFolder;
        return l;
    }
    const std::wstring config = KnownFolder(FOLDERID_RoamingAppData) + kFolderName;
    const std::wstring data = KnownFolder(FOLDERID_LocalAppData) + kFolderName;
    f.configFile = Utf8(config + iniName);
    f.workFolder = f.fontFolder = Utf8(config);
    f.dataFolder = Utf8(data);
    // The installer (or the zip) ships the default configuration beside the
    // exe; a first start copies it.
    if (IsFile(exeFolder + L"printer-tool.ini"))
        f.defaultConfig = Utf8(exeFolder + L"printer-tool.ini");
    return l;
}

std::string PrepareUserFolders(const Win32FileLocations& locations) {
    if (!locations.userFolders)
        return {};
    for (const std::string& folder : {locations.files.workFolder, locations.files.dataFolder}) {
        const int rc = SHCreateDirectoryExW(nullptr, Wide(folder).c_str(), nullptr);
        if (rc != ERROR_SUCCESS && rc != ERROR_ALREADY_EXISTS && rc != ERROR_FILE_EXISTS)
            return "Unable to create the folder " + folder;
    }
    return {};
}

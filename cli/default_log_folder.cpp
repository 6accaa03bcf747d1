#include "default_log_folder.h"

#include "install_layout.h"

namespace fs = std::filesystem;

fs::path DefaultLogFolder(const fs::path& exeFolder) {
    const ProgramLayout layout = DetectLayout(exeFolder);
    if (layout.filesBesideProgram)
        return exeFolder;
    const fs::path user = UserFoldersFromEnvironment().data;
    std::error_code ec;
    if (!user.empty() && (fs::create_directories(user, ec) || !ec))
        return user;
    // Without a home (a bare service account) an installed copy still keeps
    // its log out of the installation; a portable one reports the failure.
    return layout.installed ? fs::temp_directory_path(ec) : exeFolder;
}

#include "logo_list.h"

#include <filesystem>

#include "path_text.h"
#include "relative_path.h"

namespace fs = std::filesystem;

namespace {

// The absolute, clean form of `file` taken from `folder`, without a trailing
// separator.
fs::path FullPath(const std::string& file, const std::string& folder) {
    fs::path full = (PathFromUtf8(folder) / PathFromUtf8(file)).lexically_normal();
    if (!full.has_filename() && full.has_relative_path())
        full = full.parent_path();
    return full.make_preferred();
}

}  // namespace

void AppendLogo(LogoList& list, const std::string& file, const std::string& exeFolder) {
    const std::string full = PathText(FullPath(file, exeFolder));
    list.paths.push_back(full);
    list.displayNames.push_back(RelativeDisplayPath(
        full, PathText(PathFromUtf8(exeFolder).make_preferred()), NativePathStyle()));
}

LogoList LoadLogoList(const std::vector<std::string>& files, const std::string& exeFolder) {
    LogoList list;
    for (const std::string& file : files) {
        if (file.empty())
            break;
        AppendLogo(list, file, exeFolder);
        std::error_code error;
        if (!fs::is_regular_file(FullPath(file, exeFolder), error))
            list.displayNames.back() += kMissingLogoSuffix;
    }
    return list;
}

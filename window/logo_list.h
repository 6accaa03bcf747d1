// The logo list as the window keeps it: the pictures' full paths and, in
// step with them, the forms the list box shows. Texts are UTF-8.
#pragma once

#include <string>
#include <vector>

struct LogoList {
    std::vector<std::string> paths;         // full paths, native separators
    std::vector<std::string> displayNames;  // relative to the executable's folder
};

// The entry of a picture: its full path (a relative `file` is taken from
// `exeFolder`) and its display form.
void AppendLogo(LogoList& list, const std::string& file, const std::string& exeFolder);

// What the list shows after the display form of a picture that is not there.
inline constexpr const char* kMissingLogoSuffix = " (missing)";

// The [LOGO] FILE texts in order. A file that is not there keeps its place
// (shown with kMissingLogoSuffix), so that it is written back at exit and
// the printer's logo numbers do not shift when it comes back.
LogoList LoadLogoList(const std::vector<std::string>& files, const std::string& exeFolder);

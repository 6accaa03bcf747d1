// How the logo list shows a picture: its path relative to the executable's
// folder.
#pragma once

#include <string>
#include <string_view>

// Windows: "\" (or "/") separates, drive and folder names compare without
// regard to case, and a picture on another drive keeps its full path.
// Posix: "/" separates and names compare with case, as the file system does.
enum class PathStyle { Posix, Windows };

PathStyle NativePathStyle();

// `path` relative to `folder` (both absolute): the folders both share are
// dropped, one parent step ("..\" or "../") stands for each remaining folder
// of `folder`, then the rest of `path`. A trailing separator on `folder` is
// optional.
std::string RelativeDisplayPath(std::string_view path, std::string_view folder, PathStyle style);

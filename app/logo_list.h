// The logo list as the window keeps it: the pictures' full paths and, in
// step with them, the forms the list box shows.
#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

struct LogoList {
    QStringList paths;         // full paths, native separators
    QStringList displayNames;  // relative to the executable's folder
};

// The entry of a picture: its full path (a relative `file` is taken from
// `exeFolder`) and its display form.
void AppendLogo(LogoList& list, const QString& file, const QString& exeFolder);

// The [LOGO] FILE texts in order, up to the first that names no existing
// file.
LogoList LoadLogoList(const std::vector<std::string>& files, const QString& exeFolder);

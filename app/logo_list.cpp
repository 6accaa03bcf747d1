#include "logo_list.h"

#include <QDir>
#include <QFileInfo>

#include "relative_path.h"

void AppendLogo(LogoList& list, const QString& file, const QString& exeFolder) {
    const QString full =
        QDir::toNativeSeparators(QDir::cleanPath(QDir(exeFolder).absoluteFilePath(file)));
    list.paths.append(full);
    list.displayNames.append(QString::fromStdString(RelativeDisplayPath(
        full.toStdString(), QDir::toNativeSeparators(exeFolder).toStdString(), NativePathStyle())));
}

LogoList LoadLogoList(const std::vector<std::string>& files, const QString& exeFolder) {
    LogoList list;
    for (const std::string& file : files) {
        const QString name = QString::fromStdString(file);
        if (!QFileInfo(QDir(exeFolder), name).isFile())
            break;
        AppendLogo(list, name, exeFolder);
    }
    return list;
}

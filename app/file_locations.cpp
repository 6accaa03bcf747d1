#include "file_locations.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

constexpr const char* kShareName = "printer-tool";
constexpr const char* kDefaultConfigName = "printer-tool.ini";
constexpr const char* kSoundProbe = "ok.wav";

QString Folder(const QString& path) {
    QString folder = QDir::toNativeSeparators(QDir::cleanPath(QDir(path).absolutePath()));
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder;
}

// The share folders that may hold the shipped files, nearest first: the
// installation the executable belongs to, then the system's data folders.
QStringList ShareFolders(const QString& exeFolder) {
    QStringList folders{Folder(exeFolder + QStringLiteral("../share/") + kShareName)};
    for (const QString& found : QStandardPaths::locateAll(
             QStandardPaths::GenericDataLocation, kShareName, QStandardPaths::LocateDirectory)) {
        const QString folder = Folder(found);
        if (!folders.contains(folder))
            folders.append(folder);
    }
    return folders;
}

// The first share folder that holds `file`; empty when none does.
QString ShareFolderWith(const QStringList& folders, const QString& file) {
    for (const QString& folder : folders) {
        if (QFileInfo(folder + file).isFile())
            return folder;
    }
    return {};
}

}  // namespace

bool FolderIsWritable(const QString& folder) {
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".write-test-XXXXXX")));
    return probe.open();  // removed again when `probe` goes
}

FileLocations ChooseFileLocations(const QString& exeFolder, const QString& iniFileName,
                                  bool exeFolderWritable) {
    FileLocations l;
    l.exeFolder = Folder(exeFolder);
    if (exeFolderWritable) {
        l.configFile = l.exeFolder + iniFileName;
        l.workFolder = l.dataFolder = l.fontFolder = l.soundFolder = l.exeFolder;
        // Only the installation the executable belongs to: a portable copy
        // never takes a configuration from elsewhere on the system.
        const QString defaultFolder = ShareFolderWith(
            {Folder(l.exeFolder + QStringLiteral("../share/") + kShareName)}, kDefaultConfigName);
        if (!defaultFolder.isEmpty())
            l.defaultConfig = defaultFolder + kDefaultConfigName;
        return l;
    }
    l.installed = true;
    const QString configFolder =
        Folder(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    l.configFile = configFolder + iniFileName;
    l.workFolder = l.fontFolder = configFolder;
    l.dataFolder = Folder(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));

    const QStringList shares = ShareFolders(l.exeFolder);
    // Sounds beside the executable still win, as in a portable copy.
    l.soundFolder = QFileInfo(l.exeFolder + kSoundProbe).isFile()
                        ? l.exeFolder
                        : ShareFolderWith(shares, kSoundProbe);
    if (l.soundFolder.isEmpty())
        l.soundFolder = l.exeFolder;
    const QString defaultFolder = ShareFolderWith(shares, kDefaultConfigName);
    if (!defaultFolder.isEmpty())
        l.defaultConfig = defaultFolder + kDefaultConfigName;
    return l;
}

QString PrepareUserFolders(const FileLocations& locations) {
    if (!locations.installed)
        return {};
    for (const QString& folder : {locations.workFolder, locations.dataFolder}) {
        if (!QDir().mkpath(folder))
            return QStringLiteral("Unable to create the folder %1").arg(folder);
    }
    return {};
}

QString ConfigurationNote(const FileLocations& locations) {
    if (!locations.installed)
        return {};
    return QStringLiteral("Configuration: %1").arg(locations.configFile);
}

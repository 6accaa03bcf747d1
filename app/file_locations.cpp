#include "file_locations.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "install_layout.h"

namespace {

constexpr const char* kShareName = "printer-tool";
constexpr const char* kDefaultConfigName = "printer-tool.ini";
constexpr const char* kSoundProbe = "ok.wav";

QString Folder(const QString& path) {
    if (path.isEmpty())
        return {};
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

QString FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return QString::fromUtf8(reinterpret_cast<const char*>(text.data()),
                             static_cast<qsizetype>(text.size()));
}

std::filesystem::path ToPath(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

bool FolderIsWritable(const QString& folder) {
    return FolderTakesFiles(ToPath(folder));
}

bool FilesBesideProgram(const QString& exeFolder) {
    return DetectLayout(ToPath(exeFolder)).filesBesideProgram;
}

FileLocations ChooseFileLocations(const QString& exeFolder, const QString& iniFileName,
                                  bool filesBesideProgram) {
    FileLocations l;
    l.exeFolder = Folder(exeFolder);
    if (filesBesideProgram) {
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
    const UserFolders user = UserFoldersFromEnvironment();
    const QString configFolder = Folder(FromPath(user.config));
    l.configFile = configFolder + iniFileName;
    l.workFolder = l.fontFolder = configFolder;
    l.dataFolder = Folder(FromPath(user.data));

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

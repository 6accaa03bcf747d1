// Where the window keeps its files, by the rule printer-cli follows too
// (install_layout.h): a portable copy (a build folder, an unpacked zip)
// keeps everything beside its executable; an installed copy (in <prefix>/bin
// with <prefix>/share/printer-tool beside it) uses the user's folders instead.
#pragma once

#include <QString>

struct FileLocations {
    bool installed = false;  // the files are in the user's folders
    // Folders end with a separator.
    QString exeFolder;
    QString configFile;   // the INI file's full path
    QString workFolder;   // relative logo paths and file dialogs start here
    QString dataFolder;   // "debug.log" and "logo.bin"
    QString fontFolder;   // "font.bin", beside the configuration
    QString soundFolder;  // "ok.wav" and "error.wav"
    // The configuration the package ships, which a first start takes (an
    // installed copy's from the system, a portable copy's from its own
    // installation only); empty when there is none, and the first start
    // takes the copy compiled into the program.
    QString defaultConfig;
};

// Whether a file can be created in `folder`. It is tried rather than read
// from the mode bits, which an administrator's account ignores.
bool FolderIsWritable(const QString& folder);

// Whether the files of the program in `exeFolder` go beside it
// (DetectLayout's answer).
bool FilesBesideProgram(const QString& exeFolder);

// The folders of either answer. The user's folders are printer-cli's
// (UserFoldersFromEnvironment); the shipped files are looked for in the share
// folder beside the executable's (../share/printer-tool) and then in the
// system's data folders.
FileLocations ChooseFileLocations(const QString& exeFolder, const QString& iniFileName,
                                  bool filesBesideProgram);

// Creates the user's folders of an installed copy; the portable layout needs
// nothing. The failure's text, or empty.
QString PrepareUserFolders(const FileLocations& locations);

// The window's one note on where the configuration lives; empty for a
// portable copy, whose configuration is beside the program as always.
QString ConfigurationNote(const FileLocations& locations);

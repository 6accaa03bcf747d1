#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "configuration.h"
#include "ini_file.h"
#include "relative_path.h"

namespace {

IniFile Ini(const std::string& text) {
    return IniFile::Parse(text);
}

// What the window hands back with its built-in values.
ExitSettings BuiltInExit() {
    ExitSettings s;
    s.paraRateText = "  9600";
    s.codePageIndex = -1;
    s.densityIndex = 1;
    s.fontIndex = 0;
    s.lineFeedIndex = 0;
    s.idleText = "50";
    s.offText = "0";
    s.maxFeedText = "200";
    s.pageText = "200";
    s.bluetoothName = "QVX";
    s.bluetoothPin = "7264";
    s.irRateText = "  9600";
    return s;
}

TEST(AppConfigurationRead, IntegersTakeHexPrefixesAndFallBackOnAnythingElse) {
    const IniFile ini =
        Ini("[LOGO]\nCOMMAND=0x2E\nPARA=$2E\nSIZE=abc\nWIDTH=0x\nQUANTITY=\n"
            "[PARA]\nIDLE TIME= -7 \nOFF TIME=12 s\nMAX FEED=0X1f\nPAGE LENGTH=99999999999\n");
    EXPECT_EQ(ReadInteger(ini, "LOGO", "COMMAND", 45), 46);
    EXPECT_EQ(ReadInteger(ini, "LOGO", "PARA", 0), 46);
    EXPECT_EQ(ReadInteger(ini, "LOGO", "SIZE", 45), 45);
    EXPECT_EQ(ReadInteger(ini, "LOGO", "WIDTH", 384), 384);
    EXPECT_EQ(ReadInteger(ini, "LOGO", "QUANTITY", 8), 8);
    EXPECT_EQ(ReadInteger(ini, "LOGO", "MISSING", 3), 3);
    EXPECT_EQ(ReadInteger(ini, "NOWHERE", "COMMAND", 3), 3);
    EXPECT_EQ(ReadInteger(ini, "PARA", "IDLE TIME", 50), -7);
    EXPECT_EQ(ReadInteger(ini, "PARA", "OFF TIME", 0), 0);
    EXPECT_EQ(ReadInteger(ini, "PARA", "MAX FEED", 200), 31);
    EXPECT_EQ(ReadInteger(ini, "PARA", "PAGE LENGTH", 200), 200);

    // COMMAND=abc reads as the default 45.
    EXPECT_EQ(ReadStartSettings(Ini("[LOGO]\nCOMMAND=abc\n")).logo.command, 45);
}

TEST(AppConfigurationRead, TextsHaveDefaultsAndALengthLimit) {
    const std::string longName(3000, 'n');
    const IniFile ini = Ini("[BLUE TOOTH]\nDEVICE NAME=" + longName + "\nPIN=\n");
    EXPECT_EQ(ReadText(ini, "BLUE TOOTH", "DEVICE NAME", "QVX").size(), kMaxValueLength);
    EXPECT_EQ(ReadText(ini, "BLUE TOOTH", "PIN", "7264"), "");  // present but empty
    EXPECT_EQ(ReadText(ini, "BLUE TOOTH", "OTHER", "7264"), "7264");

    // The limit never cuts a character in two.
    const std::string umlauts = std::string(2046, 'a') + "\xC3\xBC\xC3\xBC";
    EXPECT_EQ(ReadText(Ini("[A]\nB=" + umlauts + "\n"), "A", "B", ""), std::string(2046, 'a'));
}

TEST(AppConfigurationRead, SectionsDecideTabsListsAndTheDatagramEndpoint) {
    EXPECT_FALSE(ReadStartSettings(Ini("[FACTORY]\n\n[PARA]\nFONT=2\n")).factoryTab);

    StartSettings s = ReadStartSettings(Ini("[factory]\nserial no=0815\n"));
    EXPECT_TRUE(s.factoryTab);
    EXPECT_EQ(s.factoryModel, "QVX-II");
    EXPECT_EQ(s.factorySerial, "0815");

    s =
        ReadStartSettings(Ini("[CODEPAGE]\nCP437=0\nKatakana=1\nCP858=$13\nBad=x\n"
                              "[NET]\nHOST=printer.local\nPORT=70000\n"));
    EXPECT_EQ(s.codePageNames, (std::vector<std::string>{"CP437", "Katakana", "CP858", "Bad"}));
    EXPECT_EQ(s.codePageNumbers, (std::vector<int32_t>{0, 1, 19, 0}));
    EXPECT_EQ(s.endpoint.host, "printer.local");
    EXPECT_EQ(s.endpoint.port, 9100);  // no port number: the default
    EXPECT_EQ(ReadStartSettings(Ini("[NET]\nPORT=9101\n")).endpoint.port, 9101);

    // The logo keys run up to the first empty one.
    s = ReadStartSettings(Ini("[LOGO]\nFILE1=a.bmp\nFILE2=b.bmp\nFILE3=\nFILE4=d.bmp\n"));
    EXPECT_EQ(s.logoFiles, (std::vector<std::string>{"a.bmp", "b.bmp"}));
}

TEST(AppConfigurationRead, ReadsAtMost1024CodePagesAndNoLogoKeyAbove100) {
    std::string text = "[CODEPAGE]\n";
    for (int i = 0; i < 1030; ++i)
        text += "CP" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    text += "[LOGO]\n";
    for (int i = 1; i <= 101; ++i)
        text += "FILE" + std::to_string(i) + "=f" + std::to_string(i) + ".bmp\n";
    const StartSettings s = ReadStartSettings(Ini(text));
    ASSERT_EQ(s.codePageNames.size(), kMaxCodePages);
    EXPECT_EQ(s.codePageNames.back(), "CP1023");
    EXPECT_EQ(s.codePageNumbers.back(), 1023);
    ASSERT_EQ(s.logoFiles.size(), 100u);
    EXPECT_EQ(s.logoFiles.back(), "f100.bmp");
}

TEST(AppConfigurationWrite, WritesEveryKeyTheToolOwnsInOrder) {
    IniFile ini = Ini("[LOGO]\nFILE7=stale.bmp\nOTHER=dropped with the section\n");
    ExitSettings s = BuiltInExit();
    s.logoPaths = {"/pictures/a.bmp", "/pictures/b.bmp"};
    s.factoryTab = true;
    s.factoryModel = " M1 ";
    s.factorySerial = "007";
    EXPECT_TRUE(WriteExitSettings(ini, s).empty());

    EXPECT_EQ(ini.KeyNames("LOGO"), (std::vector<std::string>{"SIZE", "QUANTITY", "COMMAND", "PARA",
                                                              "WIDTH", "FILE1", "FILE2"}));
    EXPECT_EQ(ini.Value("LOGO", "FILE2"), "/pictures/b.bmp");
    EXPECT_EQ(ini.KeyNames("PARA"),
              (std::vector<std::string>{"BAUDRATE", "CODEPAGE", "DENSITY", "FONT", "LINEFEED",
                                        "IDLE TIME", "OFF TIME", "MAX FEED", "PAGE LENGTH"}));
    EXPECT_EQ(ini.Value("PARA", "BAUDRATE"), "9600");
    EXPECT_EQ(ini.Value("PARA", "CODEPAGE"), "-1");
    EXPECT_EQ(ini.Value("IRCOMM", "BAUDRATE"), "9600");
    EXPECT_EQ(ini.Value("FACTORY", "DEVICE NAME"), " M1 ");  // as typed
    EXPECT_EQ(ini.Value("FACTORY", "SERIAL NO"), "007");

    // Without the Factory tab the section is left alone.
    IniFile other = Ini("[FACTORY]\nSERIAL NO=1\n");
    WriteExitSettings(other, BuiltInExit());
    EXPECT_EQ(other.KeyNames("FACTORY"), std::vector<std::string>{"SERIAL NO"});
}

TEST(AppConfigurationWrite, AKeyThatDoesNotConvertKeepsItsValueAndIsNamed) {
    IniFile ini = Ini("[PARA]\nIDLE TIME=70\nOFF TIME=3\nMAX FEED=150\n[IRCOMM]\nBAUDRATE=38400\n");
    ExitSettings s = BuiltInExit();
    s.idleText = "";  // written as 50
    s.offText = "";   // kept: 3
    s.maxFeedText = " 180 ";
    s.irRateText = "fast";  // kept: 38400
    s.bluetoothName = "after the bad keys";

    const std::vector<UnsavedKey> unsaved = WriteExitSettings(ini, s);
    ASSERT_EQ(unsaved.size(), 2u);
    EXPECT_EQ(unsaved[0].key, "OFF TIME");
    EXPECT_EQ(unsaved[1].section, "IRCOMM");
    EXPECT_EQ(ini.Value("PARA", "IDLE TIME"), "50");
    EXPECT_EQ(ini.Value("PARA", "OFF TIME"), "3");
    EXPECT_EQ(ini.Value("PARA", "MAX FEED"), "180");
    EXPECT_EQ(ini.Value("PARA", "PAGE LENGTH"), "200");
    EXPECT_EQ(ini.Value("IRCOMM", "BAUDRATE"), "38400");
    EXPECT_EQ(ini.Value("BLUE TOOTH", "DEVICE NAME"), "after the bad keys");

    EXPECT_EQ(UnsavedKeysMessage(unsaved),
              "These settings were not saved; the file keeps their earlier values:\n"
              "[PARA] OFF TIME: '' is not a valid integer value\n"
              "[IRCOMM] BAUDRATE: 'fast' is not a valid integer value");
    EXPECT_EQ(UnsavedKeysMessage({}), "");
}

TEST(AppLogoDisplayPath, IsRelativeToTheExecutablesFolder) {
    const auto posix = [](const char* path, const char* folder) {
        return RelativeDisplayPath(path, folder, PathStyle::Posix);
    };
    EXPECT_EQ(posix("/opt/tool/logo.bmp", "/opt/tool/"), "logo.bmp");
    EXPECT_EQ(posix("/opt/tool/logos/a.bmp", "/opt/tool"), "logos/a.bmp");
    EXPECT_EQ(posix("/home/me/a.bmp", "/opt/tool/bin/"), "../../../home/me/a.bmp");
    EXPECT_EQ(posix("/opt/Tool/a.bmp", "/opt/tool/"), "../Tool/a.bmp");  // names keep their case

    const auto windows = [](const char* path, const char* folder) {
        return RelativeDisplayPath(path, folder, PathStyle::Windows);
    };
    EXPECT_EQ(windows("C:\\Tool\\Logos\\a.bmp", "c:\\tool\\"), "Logos\\a.bmp");
    EXPECT_EQ(windows("C:\\Pictures\\a.bmp", "C:\\Tool\\Bin\\"), "..\\..\\Pictures\\a.bmp");
    EXPECT_EQ(windows("C:/Tool/a.bmp", "C:\\TOOL\\"), "a.bmp");
    EXPECT_EQ(windows("D:\\a.bmp", "C:\\Tool\\"), "D:\\a.bmp");  // another drive: in full
}

}  // namespace

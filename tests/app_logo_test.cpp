#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <fstream>
#include <iterator>

#include "logo_pictures.h"
#include "printer_window.h"

namespace {

constexpr uint16_t kLogoCommand = 0x2D;

// A bitmap in the test's folder: black, with a white first row so that
// orientation matters. Returns its full path.
QString SavePicture(const WindowHarness& h, const std::string& name, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int x = 0; x < width; ++x)
        image.setPixel(x, 0, qRgb(255, 255, 255));
    const QString path = QString::fromStdString((h.Folder() / name).string());
    EXPECT_TRUE(image.save(path, "BMP")) << name;
    return path;
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

QStringList Entries(const QListWidget* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->item(i)->text();
    return entries;
}

// The NVRAM tab of a window opened on `ini`.
struct AppLogoList : ::testing::Test {
    void Open(const std::string& ini) {
        h.WriteIni(ini);
        h.Open();
        list = h.Find<QListWidget>("ListLogo");
        add = h.Find<QPushButton>("btAddLogo");
        remove = h.Find<QPushButton>("btDeleteLogo");
        space = h.Find<QLabel>("StatusPanel0");
    }

    WindowHarness h;
    QListWidget* list = nullptr;
    QPushButton* add = nullptr;
    QPushButton* remove = nullptr;
    QLabel* space = nullptr;
};

TEST_F(AppLogoList, AddAndDeleteKeepListImageAndSpaceTextInStep) {
    Open("[LOGO]\nQUANTITY=2\n");
    EXPECT_TRUE(add->isEnabled());
    EXPECT_FALSE(remove->isEnabled());

    h.fileAnswers = {SavePicture(h, "a.bmp", 100, 50), SavePicture(h, "b.bmp", 8, 8),
                     SavePicture(h, "c.bmp", 9, 1)};
    add->click();
    ASSERT_EQ(h.fileRequests.size(), 1u);
    EXPECT_EQ(h.fileRequests[0].filters, QStringList({"Pictures (*.bmp *.png *.gif *.jpg *.jpeg)",
                                                      "Bitmaps (*.bmp)", "All files (*)"}));
    EXPECT_EQ(Entries(list), QStringList({"a.bmp"}));
    EXPECT_EQ(space->text(), "SPACE: 0,735 Used, 64,801 Free");
    // The panel is 200 wide whatever the fonts: the text fits in it, uncut.
    EXPECT_LE(space->fontMetrics().horizontalAdvance(space->text()),
              space->contentsRect().width());
    EXPECT_TRUE(remove->isEnabled());
    // The tooltip shows the padded box: 104 x 56 dots.
    EXPECT_TRUE(list->item(0)->toolTip().contains("data:image/png;base64,"));
    EXPECT_TRUE(list->item(0)->toolTip().contains("104 x 56 dots"));

    add->click();
    EXPECT_TRUE(add->isEnabled());  // two entries: at most QUANTITY
    add->click();
    EXPECT_EQ(Entries(list), QStringList({"a.bmp", "b.bmp", "c.bmp"}));
    EXPECT_FALSE(add->isEnabled());
    EXPECT_EQ(space->text(), "SPACE: 0,767 Used, 64,769 Free");

    // DELETE takes the selected entry, or the last when none is selected.
    list->setCurrentRow(0);
    h.Find<QAction>("actDelete")->trigger();  // as the context menu does
    EXPECT_EQ(Entries(list), QStringList({"b.bmp", "c.bmp"}));
    EXPECT_TRUE(add->isEnabled());
    remove->click();
    EXPECT_EQ(Entries(list), QStringList({"b.bmp"}));
    remove->click();
    EXPECT_TRUE(list->count() == 0);
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_EQ(space->text(), "SPACE: 0,003 Used, 65,533 Free");
    EXPECT_TRUE(h.messages.empty());
    h.Close();
    EXPECT_EQ(h.IniValue("LOGO", "FILE1"), std::nullopt);
}

TEST_F(AppLogoList, AnAddThatCannotBeComposedIsDroppedAgain) {
    Open("[LOGO]\nSIZE=1000\n");
    h.fileAnswers = {SavePicture(h, "small.bmp", 8, 8)};
    add->click();
    ASSERT_EQ(space->text(), "SPACE: 0,015 Used, 0,985 Free");

    std::ofstream(h.Folder() / "text.bmp") << "not a picture";
    struct Case {
        QString file;
        QString message;
    };
    const Case cases[] = {
        {SavePicture(h, "wide.bmp", 385, 1), "Picture invalid"},
        {QString::fromStdString((h.Folder() / "text.bmp").string()), "Picture invalid"},
        {SavePicture(h, "big.bmp", 384, 20), "ERROR"},  // 3 + 12 + 4 + 24 * 48 > 1000
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        h.messages.clear();
        h.fileAnswers = {c.file};
        add->click();
        ASSERT_EQ(h.messages.size(), 1u);
        EXPECT_EQ(h.messages[0].text, c.message);
        EXPECT_TRUE(h.messages[0].detail.contains(QFileInfo(c.file).fileName()))
            << h.messages[0].detail.toStdString();
        EXPECT_EQ(Entries(list), QStringList({"small.bmp"}));
        EXPECT_EQ(space->text(), "SPACE: 0,015 Used, 0,985 Free");
    }

    h.messages.clear();
    h.fileAnswers.clear();  // the dialog is cancelled
    add->click();
    EXPECT_EQ(Entries(list), QStringList({"small.bmp"}));
    EXPECT_TRUE(h.messages.empty());
}

using AppLogoDownload = PrinterWindowTest;

TEST_F(AppLogoDownload, SendsTheComposedImageIntoTheLogoMemory) {
    StartPtyPrinter();
    SavePicture(harness, "shop.bmp", 100, 50);
    SavePicture(harness, "name.bmp", 384, 3);
    ini = "[LOGO]\nFILE1=shop.bmp\nFILE2=name.bmp\n";
    OpenWindow();
    EXPECT_EQ(harness.Find<QLabel>("StatusPanel0")->text(), "");  // no space text yet

    harness.Find<QPushButton>("btLOGO")->click();  // returns once the result is shown
    ASSERT_EQ(harness.messages.size(), 1u);
    EXPECT_EQ(harness.messages[0].text, "OK");

    const std::vector<LogoFile> files = {{(harness.Folder() / "shop.bmp").string(), "shop"},
                                         {(harness.Folder() / "name.bmp").string(), "name"}};
    const LogoBuild expected = BuildLogoImageFromFiles(files, {});
    ASSERT_TRUE(expected.Ok());
    EXPECT_EQ(ReadFile(harness.Folder() / "logo.bin"), expected.image);
    const auto memory = printer.Memory();
    ASSERT_TRUE(memory.count(kLogoCommand));
    const std::vector<uint8_t>& stored = memory.at(kLogoCommand);
    ASSERT_GE(stored.size(), expected.image.size());
    EXPECT_EQ(std::vector<uint8_t>(stored.begin(), stored.begin() + expected.image.size()),
              expected.image);
}

TEST_F(AppLogoDownload, StartsNoJobWhenTheImageCannotBeBuiltOrWritten) {
    StartPtyPrinter();
    SavePicture(harness, "shop.bmp", 100, 50);
    SavePicture(harness, "gone.bmp", 8, 8);
    ini = "[LOGO]\nFILE1=shop.bmp\nFILE2=gone.bmp\n";
    OpenWindow();
    auto* download = harness.Find<QPushButton>("btLOGO");

    // A picture removed from disk since: never a partial image.
    std::filesystem::remove(harness.Folder() / "gone.bmp");
    download->click();
    ASSERT_EQ(harness.messages.size(), 1u);
    EXPECT_EQ(harness.messages[0].text, "ERROR");
    EXPECT_TRUE(harness.messages[0].detail.startsWith("gone.bmp"))
        << harness.messages[0].detail.toStdString();
    EXPECT_FALSE(std::filesystem::exists(harness.Folder() / "logo.bin"));

    // "logo.bin" cannot be written: something else stands in its place.
    SavePicture(harness, "gone.bmp", 8, 8);
    std::filesystem::create_directories(harness.Folder() / "logo.bin");
    download->click();
    ASSERT_EQ(harness.messages.size(), 2u);
    EXPECT_TRUE(harness.messages[1].text.startsWith("Unable to write to "))
        << harness.messages[1].text.toStdString();

    EXPECT_TRUE(harness.sounds.empty());
    EXPECT_TRUE(printer.Commands().empty());
}

}  // namespace

#include "window_harness.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <iterator>

#include "ini_file.h"

namespace fs = std::filesystem;

namespace {

fs::path NewFolder() {
    static std::atomic<int> counter{0};
    fs::path folder = fs::temp_directory_path() /
                      ("app-test-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

}  // namespace

WindowHarness::WindowHarness() : folder_(NewFolder()) {}

WindowHarness::~WindowHarness() {
    Close();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

void WindowHarness::WriteIni(const std::string& text) const {
    std::ofstream(IniPath(), std::ios::binary) << text;
}

std::string WindowHarness::ReadIni() const {
    std::ifstream in(IniPath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::optional<std::string> WindowHarness::IniValue(const std::string& section,
                                                   const std::string& key) const {
    return IniFile::Parse(ReadIni()).Value(section, key);
}

std::string WindowHarness::TouchFile(const std::string& name) const {
    const fs::path path = folder_ / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << "BM";
    return path.string();
}

TfrmMain& WindowHarness::Open(const QString& port) {
    WindowOptions options;
    options.exeFolder = QString::fromStdString((exeFolder.empty() ? folder_ : exeFolder).string());
    options.iniFileName = QStringLiteral("printer-tool.ini");
    options.port = port;
    options.filesBesideProgram = filesBesideProgram;
    options.showMessage = [this](const WindowMessage& message) {
        messages.push_back(message);
        if (onMessage)
            onMessage(messages.back());
    };
    options.playSound = [this](const QString& path) { sounds.push_back(path); };
    options.askQuestion = [this](const QString& text) {
        questions.push_back(text);
        return questionAnswer;
    };
    options.openFile = [this](const OpenFileRequest& request) {
        fileRequests.push_back(request);
        if (fileAnswers.empty())
            return QString();
        const QString answer = fileAnswers.front();
        fileAnswers.erase(fileAnswers.begin());
        return answer;
    };
    window_ = std::make_unique<TfrmMain>(options);
    window_->show();
    return *window_;
}

void WindowHarness::Close() {
    window_.reset();
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    // The tick wakes the wait below when nothing else happens.
    QTimer tick;
    tick.start(5);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

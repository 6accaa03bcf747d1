#include "window_observer.h"

void WindowObserver::SetEnvironment(const JobEnvironment& environment) {
    std::lock_guard<std::mutex> lock(mutex_);
    environment_ = environment;
}

JobEnvironment WindowObserver::CurrentEnvironment() {
    std::lock_guard<std::mutex> lock(mutex_);
    return environment_;
}

void WindowObserver::JobProgress(int32_t done, int32_t total) {
    emit progressReported(done, total);
}

void WindowObserver::StatusText(const std::string& text) {
    emit statusTextChanged(QString::fromStdString(text));
}

void WindowObserver::JobFinished() {
    emit jobFinished();
}

// The window's side of the worker: hands the worker what a job needs, and
// turns the worker's reports, made on its own thread, into signals that the
// window receives queued on its thread.
#pragma once

#include <QObject>
#include <QString>
#include <mutex>

#include "comm_observer.h"

class WindowObserver : public QObject, public CommObserver {
    Q_OBJECT

  public:
    using QObject::QObject;

    // Set on the window's thread before a job starts.
    void SetEnvironment(const JobEnvironment& environment);

    // Called on the worker thread.
    JobEnvironment CurrentEnvironment() override;
    void JobProgress(int32_t done, int32_t total) override;
    void StatusText(const std::string& text) override;
    void JobFinished() override;

  signals:
    void progressReported(int done, int total);
    void statusTextChanged(const QString& text);
    void jobFinished();

  private:
    std::mutex mutex_;
    JobEnvironment environment_;
};

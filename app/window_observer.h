// The worker's reports as the window's logic takes them, as a Qt object of
// the window: a report made on any thread reaches the logic on the window's
// thread.
#pragma once

#include <QObject>

#include "comm_observer.h"

class WindowObserver : public QObject, public CommObserver {
    Q_OBJECT

  public:
    WindowObserver(CommObserver& logic, QObject* parent) : QObject(parent), logic_(logic) {}

    JobEnvironment CurrentEnvironment() override { return logic_.CurrentEnvironment(); }
    void JobProgress(int32_t done, int32_t total) override { logic_.JobProgress(done, total); }
    void StatusText(const std::string& text) override { logic_.StatusText(text); }
    void JobFinished() override { logic_.JobFinished(); }

  private:
    CommObserver& logic_;
};

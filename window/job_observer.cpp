#include "job_observer.h"

#include "window_logic.h"
#include "window_view.h"

void JobObserver::SetEnvironment(const JobEnvironment& environment) {
    std::lock_guard<std::mutex> lock(mutex_);
    environment_ = environment;
}

JobEnvironment JobObserver::CurrentEnvironment() {
    std::lock_guard<std::mutex> lock(mutex_);
    return environment_;
}

void JobObserver::JobProgress(int32_t done, int32_t total) {
    view_.Post([logic = &logic_, done, total] { logic->Progress(done, total); });
}

void JobObserver::StatusText(const std::string& text) {
    view_.Post([logic = &logic_, text] { logic->WorkerText(text); });
}

void JobObserver::JobFinished() {
    view_.Post([logic = &logic_] { logic->JobEnded(); });
}

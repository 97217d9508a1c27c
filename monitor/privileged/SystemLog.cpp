#include "monitor/privileged/SystemLog.h"

#include <syslog.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <utility>

namespace tarvex {

namespace {

// Never destroyed: helper threads may still log while the process is exiting.
std::mutex& sinkMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

SystemLogSink& sink() {
    static auto* current = new SystemLogSink;
    return *current;
}

}  // namespace

void writeSystemLog(std::string_view line) {
    {
        std::lock_guard lock(sinkMutex());
        if (sink()) {
            sink()(line);
            return;
        }
    }
    const std::string text(line);
    syslog(LOG_ERR, "%s", text.c_str());
    if (isatty(STDERR_FILENO) == 1) {
        const std::string withNewline = text + "\n";
        [[maybe_unused]] const ssize_t written =
            write(STDERR_FILENO, withNewline.data(), withNewline.size());
    }
}

SystemLogSink replaceSystemLogSink(SystemLogSink replacement) {
    std::lock_guard lock(sinkMutex());
    return std::exchange(sink(), std::move(replacement));
}

}  // namespace tarvex

#pragma once

// A desktop session's logout sends SIGTERM, a terminal's Ctrl+C SIGINT: both should end the
// monitor the way "Quit Monitor" does rather than kill it. A signal handler may do almost
// nothing, so it only writes the signal's number to a socket pair; a notifier on the main
// thread reads it there and calls back in the ordinary event loop.

#include <csignal>
#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

namespace tarvex {

class QuitSignalWatcher {
public:
    // Needs the application object (the notifier runs on its event loop). Only one watcher
    // can be watching at a time.
    explicit QuitSignalWatcher(std::function<void(int signalNumber)> onSignal);
    // Puts the handlers that were there before back.
    ~QuitSignalWatcher();
    QuitSignalWatcher(const QuitSignalWatcher&) = delete;
    QuitSignalWatcher& operator=(const QuitSignalWatcher&) = delete;

    // False when the socket pair or the handlers could not be set up; error() says why.
    bool watching() const { return watching_; }
    const std::string& error() const { return error_; }

private:
    void readPendingSignals();
    void closeSockets();

    std::function<void(int)> onSignal_;
    int readEnd_ = -1;
    int writeEnd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previousTerm_ {};
    struct sigaction previousInt_ {};
    bool watching_ = false;
    std::string error_;
};

}  // namespace tarvex

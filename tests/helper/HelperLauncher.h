#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tarvex::testing {

// The real tarvex-helper program as a child of the test.
class HelperLauncher {
public:
    enum class Socket {
        activated,  // the test binds the socket and passes it as a service manager would
        bound,      // the helper binds --socket itself
    };

    HelperLauncher() = default;
    ~HelperLauncher();
    HelperLauncher(const HelperLauncher&) = delete;
    HelperLauncher& operator=(const HelperLauncher&) = delete;

    // Starts the helper with `arguments`. With Socket::activated the socket at `socketPath`
    // exists and listens before the helper runs. Either way the call waits (bounded) until the
    // helper answers there, unless the helper exits first.
    bool start(const std::vector<std::string>& arguments, Socket socket,
               const std::string& socketPath = "");

    pid_t pid() const { return pid_; }

    // Sends `signal` (0: none) and waits for the exit. Answers the exit status, or 128 + the
    // signal number when the helper was killed, or -1 when it did not end in time.
    int finish(int signal = 0);

    // What the helper wrote to its standard error (complete after finish()).
    const std::string& errors() const { return errors_; }

    // The number of descriptors the running helper holds.
    int openDescriptors() const;

private:
    void collectErrors();

    pid_t pid_ = -1;
    int errorPipe_ = -1;
    std::string errors_;
};

// Runs the helper with `arguments` to its end; answers the exit status and its stderr/stdout.
struct QuickRun {
    int status = -1;
    std::string errors;
    std::string output;
};
QuickRun runHelperToEnd(const std::vector<std::string>& arguments);

}  // namespace tarvex::testing

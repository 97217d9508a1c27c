#include "helper/HelperProgram.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "helper/Authorization.h"
#include "helper/Helper.h"
#include "helper/HelperServer.h"
#include "helper/ListeningSocket.h"
#include "shared/base/FixedPaths.h"
#include "tarvex/Version.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tarvex {

namespace {

// How long a stop waits before the process leaves anyway. Connections accepted before it are
// answered: a request still arriving, its authorization check, the tool's run and the SIGKILL
// after its SIGTERM, the reply written to a slow reader, and a little margin. Only runs that
// had to wait for a worker, beyond the limit of runs at once, can take longer; they are left
// to finish on their own, unanswered.
constexpr std::chrono::milliseconds STOP_GRACE =
    ServerLimits{}.requestTimeout + AUTHORIZATION_CHECK_LIMIT + OPERATION_RUN_LIMIT +
    ToolLimits{}.killGrace + ServerLimits{}.replyTimeout + std::chrono::seconds(5);

HelperServer* stoppingServer = nullptr;

extern "C" void onStopSignal(int) {
    if (stoppingServer != nullptr) {
        stoppingServer->requestStop();
    }
}

bool installStopHandlers() {
    struct sigaction action {};
    action.sa_handler = &onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0;
}

// A descriptor 0-2 that was closed at start would be taken by our socket and then handed to
// the tool as its standard input or output.
void ensureStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            const int opened = open("/dev/null", O_RDWR);
            if (opened > 2) {
                close(opened);
            }
        }
    }
}

// Whatever the parent left open (beyond 0-2) must not reach the tool either. Only marked, not
// closed: a socket passed by the service manager is among them.
void markInheritedDescriptorsCloseOnExec() {
#if defined(__linux__) && defined(CLOSE_RANGE_CLOEXEC)
    if (close_range(3, ~0u, CLOSE_RANGE_CLOEXEC) == 0) {
        return;
    }
#endif
    const long openMax = sysconf(_SC_OPEN_MAX);
    const int last = openMax > 0 && openMax < 65536 ? static_cast<int>(openMax) : 65536;
    for (int fd = 3; fd < last; ++fd) {
        const int flags = fcntl(fd, F_GETFD);
        if (flags >= 0 && (flags & FD_CLOEXEC) == 0) {
            fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
        }
    }
}

// Raises the soft limit on open descriptors towards the hard one, as far as `wanted` (the
// tool inherits it, and a higher one than serves us could only surprise it); answers the soft
// limit in force.
std::size_t raiseDescriptorLimit(std::size_t wanted) {
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0) {
        return 1024;
    }
    if (files.rlim_cur != RLIM_INFINITY && files.rlim_cur < wanted) {
        rlimit raised = files;
        raised.rlim_cur =
            files.rlim_max == RLIM_INFINITY ? wanted : std::min<rlim_t>(files.rlim_max, wanted);
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            files = raised;
        }
    }
    return files.rlim_cur == RLIM_INFINITY ? wanted : static_cast<std::size_t>(files.rlim_cur);
}

}  // namespace

std::string helperUsage() {
    return "usage: tarvex-helper [--prefix DIR] [--socket PATH] [--pkcheck PATH] [--version] "
           "[--help]\n"
           "  --prefix DIR    put DIR in front of every fixed path (tests, demo)\n"
           "  --socket PATH   listen on PATH instead of the standard socket\n"
           "  --pkcheck PATH  ask polkit through PATH instead of /usr/bin/pkcheck (tests)\n"
           "  --version       print the version and exit\n"
           "  --help          show this text\n";
}

HelperOptions parseHelperOptions(const std::vector<std::string>& arguments) {
    HelperOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.action = HelperOptions::Action::help;
            return options;
        }
        if (argument == "--version") {
            options.action = HelperOptions::Action::version;
            return options;
        }
        std::optional<std::string>* target = argument == "--prefix"    ? &options.prefix
                                             : argument == "--socket"  ? &options.socket
                                             : argument == "--pkcheck" ? &options.pkcheck
                                                                       : nullptr;
        if (target == nullptr) {
            options.action = HelperOptions::Action::usageError;
            options.error = "unknown option: " + argument;
            return options;
        }
        if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
            options.action = HelperOptions::Action::usageError;
            options.error = argument + " needs a value";
            return options;
        }
        *target = arguments[++i];
    }
    return options;
}

int runHelperProgram(int argc, char** argv) {
    const HelperOptions options =
        parseHelperOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (options.action == HelperOptions::Action::help) {
        std::fputs(helperUsage().c_str(), stdout);
        return 0;
    }
    if (options.action == HelperOptions::Action::version) {
        std::printf("tarvex-helper %s\n", TARVEX_VERSION);
        return 0;
    }
    if (options.action == HelperOptions::Action::usageError) {
        std::fprintf(stderr, "tarvex-helper: %s\n%s", options.error.c_str(), helperUsage().c_str());
        return 2;
    }
    ensureStandardDescriptors();
    markInheritedDescriptorsCloseOnExec();
    if (options.prefix) {
        relocateFixedPaths(*options.prefix);
    }
    if (options.socket) {
        overrideHelperSocketPath(*options.socket);
    }
    // A client that hangs up early must not take the helper down with it.
    signal(SIGPIPE, SIG_IGN);
#if defined(__GLIBC__)
    // One malloc arena for every connection thread: requests are tiny, and an arena per thread
    // would keep megabytes resident after each burst of concurrent clients.
    mallopt(M_ARENA_MAX, 1);
#endif

    ListeningSocket listening = acquireListeningSocket(HELPER_SOCKET_PATH);
    if (listening.fd < 0) {
        std::fprintf(stderr, "tarvex-helper: %s\n", listening.error.c_str());
        return 1;
    }
    openlog("tarvex-helper", LOG_PID, LOG_AUTHPRIV);
    const uid_t helperUid = geteuid();
    // polkitd takes the prompt text only from root; a helper started by a user leaves it out.
    PkcheckAuthority authority(options.pkcheck.value_or("/usr/bin/pkcheck"),
                               AUTHORIZATION_CHECK_LIMIT, helperUid == 0);
    Helper helper(authority, helperUid);
    HelperServer server(
        helper, listening.fd,
        limitsForDescriptors(raiseDescriptorLimit(ServerLimits{}.descriptorsNeeded())));
    stoppingServer = &server;
    if (!server.ready() || !installStopHandlers()) {
        std::fprintf(stderr, "tarvex-helper: %s\n",
                     server.ready() ? "cannot install signal handlers" : server.error());
        releaseListeningSocket(listening);
        return 1;
    }
    if (!server.run()) {
        std::fprintf(stderr, "tarvex-helper: %s\n", server.error());
        releaseListeningSocket(listening);
        return 1;
    }
    // New clients are refused from here on; those already connected still get their answer.
    releaseListeningSocket(listening);
    if (!server.waitForIdle(STOP_GRACE)) {
        // A tool is still running: leave without tearing down what its thread still uses.
        std::fflush(nullptr);
        _exit(0);
    }
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    stoppingServer = nullptr;
    return 0;
}

}  // namespace tarvex

#include "helper/ListeningSocket.h"

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <string_view>

#include "shared/base/ProcessRunner.h"

namespace tarvex {

namespace {

constexpr int FIRST_PASSED_FD = 3;  // where service managers put the first passed socket

std::optional<long> parseNumber(const char* text) {
    if (text == nullptr) {
        return std::nullopt;
    }
    const std::string_view view(text);
    long value = 0;
    const auto [end, ec] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (ec != std::errc() || end != view.data() + view.size()) {
        return std::nullopt;
    }
    return value;
}

bool isSocket(int fd) {
    struct stat info {};
    return fstat(fd, &info) == 0 && S_ISSOCK(info.st_mode);
}

}  // namespace

// systemd passes the socket as descriptor 3 and says so in LISTEN_PID and LISTEN_FDS.
std::optional<ListeningSocket> takePassedSocket() {
    const std::optional<long> pid = parseNumber(std::getenv("LISTEN_PID"));
    const std::optional<long> count = parseNumber(std::getenv("LISTEN_FDS"));
    // Meant for this process or not, these must not reach the tool's environment.
    unsetenv("LISTEN_PID");
    unsetenv("LISTEN_FDS");
    unsetenv("LISTEN_FDNAMES");
    if (!pid || !count || *pid != static_cast<long>(getpid()) || *count < 1) {
        return std::nullopt;
    }
    ListeningSocket result;
    for (long i = 1; i < *count && i < 1024; ++i) {
        close(FIRST_PASSED_FD + static_cast<int>(i));  // only the first one is ours to serve
    }
    if (!isSocket(FIRST_PASSED_FD) || !setCloseOnExec(FIRST_PASSED_FD)) {
        result.error = "The service manager passed no usable socket";
        return result;
    }
    result.fd = FIRST_PASSED_FD;
    return result;
}

}  // namespace tarvex

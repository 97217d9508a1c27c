#include "helper/Poller.h"

#include <unistd.h>

#include <cerrno>

#if defined(__linux__)
#include <sys/epoll.h>
#else
#include <poll.h>

#include <algorithm>
#endif

namespace tarvex {

#if defined(__linux__)

namespace {

epoll_event makeEvent(std::uint64_t token, bool read, bool write) {
    epoll_event event{};
    event.events = (read ? EPOLLIN : 0u) | (write ? EPOLLOUT : 0u);
    event.data.u64 = token;
    return event;
}

}  // namespace

Poller::Poller() : epoll_(epoll_create1(EPOLL_CLOEXEC)) {}

Poller::~Poller() {
    if (epoll_ >= 0) {
        close(epoll_);
    }
}

bool Poller::ready() const {
    return epoll_ >= 0;
}

bool Poller::add(int fd, std::uint64_t token, bool read, bool write) {
    epoll_event event = makeEvent(token, read, write);
    return epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) == 0;
}

bool Poller::change(int fd, std::uint64_t token, bool read, bool write) {
    epoll_event event = makeEvent(token, read, write);
    if (epoll_ctl(epoll_, EPOLL_CTL_MOD, fd, &event) == 0) {
        return true;
    }
    return errno == ENOENT && epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) == 0;
}

void Poller::remove(int fd) {
    epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
}

bool Poller::wait(int timeoutMs, std::vector<Event>& events) {
    events.clear();
    epoll_event raw[64];
    const int n = epoll_wait(epoll_, raw, 64, timeoutMs);
    if (n < 0) {
        return errno == EINTR;
    }
    for (int i = 0; i < n; ++i) {
        events.push_back({raw[i].data.u64, (raw[i].events & EPOLLIN) != 0,
                          (raw[i].events & EPOLLOUT) != 0,
                          (raw[i].events & (EPOLLERR | EPOLLHUP)) != 0});
    }
    return true;
}

#else

Poller::Poller() = default;
Poller::~Poller() = default;

bool Poller::ready() const {
    return true;
}

bool Poller::add(int fd, std::uint64_t token, bool read, bool write) {
    entries_.push_back(
        {fd, token, static_cast<short>((read ? POLLIN : 0) | (write ? POLLOUT : 0))});
    return true;
}

bool Poller::change(int fd, std::uint64_t token, bool read, bool write) {
    for (Entry& entry : entries_) {
        if (entry.fd == fd) {
            entry = {fd, token, static_cast<short>((read ? POLLIN : 0) | (write ? POLLOUT : 0))};
            return true;
        }
    }
    return add(fd, token, read, write);
}

void Poller::remove(int fd) {
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [fd](const Entry& entry) { return entry.fd == fd; }),
                   entries_.end());
}

bool Poller::wait(int timeoutMs, std::vector<Event>& events) {
    events.clear();
    std::vector<pollfd> fds;
    fds.reserve(entries_.size());
    for (const Entry& entry : entries_) {
        fds.push_back({entry.fd, entry.events, 0});
    }
    const int n = poll(fds.data(), static_cast<nfds_t>(fds.size()), timeoutMs);
    if (n < 0) {
        return errno == EINTR;
    }
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents != 0) {
            events.push_back({entries_[i].token, (fds[i].revents & POLLIN) != 0,
                              (fds[i].revents & POLLOUT) != 0,
                              (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0});
        }
    }
    return true;
}

#endif

}  // namespace tarvex

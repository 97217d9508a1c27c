#pragma once

#include <cstdint>
#include <vector>

namespace tarvex {

// Waits for many descriptors at once: epoll on Linux, poll(2) elsewhere, behind one small seam.
// Each descriptor is registered with a token that comes back with its events.
class Poller {
public:
    struct Event {
        std::uint64_t token = 0;
        bool readable = false;
        bool writable = false;
        bool error = false;  // hang-up or error: the next read or write will tell which
    };

    Poller();
    ~Poller();
    Poller(const Poller&) = delete;
    Poller& operator=(const Poller&) = delete;

    bool ready() const;
    bool add(int fd, std::uint64_t token, bool read, bool write);
    bool change(int fd, std::uint64_t token, bool read, bool write);  // adds it if removed
    void remove(int fd);
    // Waits at most `timeoutMs` (-1: no limit); fills `events` (cleared first).
    bool wait(int timeoutMs, std::vector<Event>& events);

private:
#if defined(__linux__)
    int epoll_ = -1;
#else
    struct Entry {
        int fd;
        std::uint64_t token;
        short events;
    };
    std::vector<Entry> entries_;
#endif
};

}  // namespace tarvex

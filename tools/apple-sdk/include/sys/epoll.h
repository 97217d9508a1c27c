// Linux only.
#error "<sys/epoll.h> does not exist on macOS"

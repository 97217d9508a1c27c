// Linux only.
#error "<sys/inotify.h> does not exist on macOS"

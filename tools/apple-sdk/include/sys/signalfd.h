// Linux only.
#error "<sys/signalfd.h> does not exist on macOS"

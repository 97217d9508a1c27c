// Linux only.
#error "<sys/eventfd.h> does not exist on macOS"

// Linux only.
#error "<sys/prctl.h> does not exist on macOS"

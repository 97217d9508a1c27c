// Linux only.
#error "<sys/sysinfo.h> does not exist on macOS"

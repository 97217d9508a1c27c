#include "tests/load/ProcessProbe.h"

#include <dirent.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

namespace tarvex {

namespace {

long countDescriptors(pid_t pid) {
    const std::string path = "/proc/" + std::to_string(pid) + "/fd";
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr) {
        return -1;
    }
    long count = 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.') {
            ++count;
        }
    }
    closedir(dir);
    return count;
}

long statusField(pid_t pid, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, field.size() + 1, field + ":") == 0) {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return -1;
}

// Fields 14 and 15 of /proc/<pid>/stat, counted after the command name in parentheses (which
// may itself hold blanks and parentheses).
long cpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = all.rfind(')');
    if (close == std::string::npos) {
        return -1;
    }
    std::istringstream fields(all.substr(close + 2));
    std::string field;
    long utime = -1;
    long stime = -1;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) {
            utime = std::stol(field);
        } else if (index == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return utime < 0 || stime < 0 ? -1 : utime + stime;
}

}  // namespace

ProcessSample sampleProcess(pid_t pid) {
    ProcessSample sample;
    sample.descriptors = countDescriptors(pid);
    sample.rssKiB = statusField(pid, "VmRSS");
    sample.threads = statusField(pid, "Threads");
    sample.cpuTicks = cpuTicks(pid);
    return sample;
}

bool childIsRunning(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == 0;
}

}  // namespace tarvex

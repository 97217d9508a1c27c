#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "monitor/host/Installation.h"
#include "monitor/host/Probes.h"
#include "tests/monitor/host/RelocatedInstallation.h"

namespace tarvex {
namespace {

TEST(TrashProbeTest, WholeComponentsOnly) {
    EXPECT_TRUE(pathIsInTrash("/Users/someone/.Trash/tarvex Monitor.app"));
    EXPECT_TRUE(pathIsInTrash("/Volumes/Data/.Trashes/501/tarvex Monitor.app"));
    EXPECT_TRUE(pathIsInTrash(".Trash"));
    EXPECT_TRUE(pathIsInTrash("//a//.Trash//"));
    EXPECT_TRUE(pathIsInTrash("relative/.Trashes"));
    EXPECT_FALSE(pathIsInTrash("/Applications/tarvex Monitor.app"));
    EXPECT_FALSE(pathIsInTrash("/Users/someone/Trash/x"));
    EXPECT_FALSE(pathIsInTrash("/Users/someone/.trash/x"));
    EXPECT_FALSE(pathIsInTrash("/Users/someone/.Trash2/x"));
    EXPECT_FALSE(pathIsInTrash("/Users/someone/my.Trash/x"));
    EXPECT_FALSE(pathIsInTrash("/Users/someone/.Trash.app"));
    EXPECT_FALSE(pathIsInTrash(""));
    EXPECT_FALSE(pathIsInTrash("/"));
}

pid_t deadPid() {
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return child;
}

using LockProbeTest = RelocatedInstallation;

TEST_F(LockProbeTest, LivePidInAcceptedForms) {
    const std::string pid = std::to_string(getpid());
    for (const std::string& content : {pid, pid + "\n", "  " + pid + "  ", "\t" + pid + "\r\n",
                                       "+" + pid, "\u00A0" + pid + "\u2029", "0000" + pid}) {
        writeFile(TARVEXCTL_LOCK_PID, content);
        EXPECT_TRUE(tarvexctlOperationInProgress()) << ::testing::PrintToString(content);
    }
}

TEST_F(LockProbeTest, MalformedContentMeansNoOperation) {
    const std::string pid = std::to_string(getpid());
    const std::string split = pid.substr(0, 1) + " " + pid.substr(1);
    for (const std::string& content :
         {std::string(), std::string("  \n\t"), pid + "x", split, std::string("0"),
          std::string("-5"), std::string("-0"), std::string("2147483648"),
          std::string("99999999999999999999"), std::string("+"), std::string("-"), "+-" + pid,
          "++" + pid, std::string("0x10"), pid + "\n" + pid, pid + "\n\xFF",
          std::string("\xD9\xA1") /* ARABIC-INDIC DIGIT ONE */}) {
        writeFile(TARVEXCTL_LOCK_PID, content);
        EXPECT_FALSE(tarvexctlOperationInProgress()) << ::testing::PrintToString(content);
    }
}

TEST_F(LockProbeTest, MissingOrOddLockFileMeansNoOperation) {
    EXPECT_FALSE(tarvexctlOperationInProgress());
    std::filesystem::create_directories(TARVEXCTL_LOCK_PID);  // a folder where the file belongs
    EXPECT_FALSE(tarvexctlOperationInProgress());
    std::filesystem::remove(TARVEXCTL_LOCK_PID);
    // A FIFO must not hang the check.
    ASSERT_EQ(mkfifo(TARVEXCTL_LOCK_PID.c_str(), 0600), 0);
    EXPECT_FALSE(tarvexctlOperationInProgress());
}

TEST_F(LockProbeTest, DeadPidMeansNoOperation) {
    writeFile(TARVEXCTL_LOCK_PID, std::to_string(deadPid()) + "\n");
    EXPECT_FALSE(tarvexctlOperationInProgress());
}

TEST_F(LockProbeTest, ProcessOfAnotherUserCounts) {
    if (geteuid() != 0) {
        writeFile(TARVEXCTL_LOCK_PID, "1\n");  // init belongs to root: signal 0 fails with EPERM
        EXPECT_TRUE(tarvexctlOperationInProgress());
        return;
    }
    // As root, look from an unprivileged child at this (root-owned) test process.
    writeFile(TARVEXCTL_LOCK_PID, std::to_string(getpid()) + "\n");
    // Open the way to the lock file for that child, inside our own temporary folder only.
    for (std::filesystem::path p = TARVEXCTL_LOCK_PID;; p = p.parent_path()) {
        ASSERT_TRUE(p.string().starts_with(prefix())) << p;
        ASSERT_EQ(chmod(p.c_str(), std::filesystem::is_directory(p) ? 0755 : 0644), 0);
        if (p == prefix()) {
            break;
        }
    }
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) {
            _exit(3);
        }
        if (kill(getppid(), 0) == 0) {
            _exit(4);  // not really unprivileged
        }
        _exit(tarvexctlOperationInProgress() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: answered false; 3: cannot drop rights; 4: not denied";
}

TEST_F(LockProbeTest, APlantedLockFolderIsIgnored) {
    const std::string folder = std::filesystem::path(TARVEXCTL_LOCK_PID).parent_path();
    const std::string live = std::to_string(getpid()) + "\n";
    writeFile(prefix() + "/planted/pid", live);
    std::filesystem::create_directories(prefix() + "/tmp");
    std::filesystem::create_directory_symlink(prefix() + "/planted", folder);
    EXPECT_FALSE(tarvexctlOperationInProgress()) << "a link to a folder";
    std::filesystem::remove(folder);
    writeFile(TARVEXCTL_LOCK_PID, live);
    ASSERT_TRUE(tarvexctlOperationInProgress());
    if (geteuid() == 0) {
        ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
        EXPECT_FALSE(tarvexctlOperationInProgress()) << "another account's folder";
    }
}

using CoreInstallProbeTest = RelocatedInstallation;

TEST_F(CoreInstallProbeTest, MissingOnlyWhenToolAndRootAreBothGone) {
    EXPECT_TRUE(tarvexCoreInstallMissing());
    std::filesystem::create_directories(TARVEX_ROOT);
    EXPECT_FALSE(tarvexCoreInstallMissing());
    writeFile(TARVEXCTL, "#!/bin/sh\n");
    EXPECT_FALSE(tarvexCoreInstallMissing());
    std::filesystem::remove_all(TARVEX_ROOT);
    EXPECT_TRUE(tarvexCoreInstallMissing());
}

TEST_F(CoreInstallProbeTest, DanglingLinksDoNotExist) {
    std::filesystem::create_directories(prefix() + "/opt");
    std::filesystem::create_symlink(prefix() + "/nowhere", TARVEX_ROOT);
    EXPECT_TRUE(tarvexCoreInstallMissing());
    std::filesystem::create_directories(prefix() + "/nowhere");
    EXPECT_FALSE(tarvexCoreInstallMissing());  // the link now resolves
}

using MarkerProbeTest = RelocatedInstallation;

TEST_F(MarkerProbeTest, UnderTheDefaultBaseDirectory) {
    EXPECT_FALSE(uninstallMarkerExists());
    writeFile(DEFAULT_BASE_DIR + "/run/uninstalling", "");
    EXPECT_TRUE(uninstallMarkerExists());
}

TEST_F(MarkerProbeTest, FollowsTheConfiguredBaseDirectory) {
    const std::string base = prefix() + "/srv/db";
    writeFile(DEFAULT_BASE_DIR + "/run/uninstalling", "");
    writeFile(ACTIVE_PATHS_FILE, "base-dir=" + base + "\n");
    EXPECT_FALSE(uninstallMarkerExists());
    std::filesystem::create_directories(base + "/run/uninstalling");  // any kind of entry
    EXPECT_TRUE(uninstallMarkerExists());
}

TEST_F(MarkerProbeTest, DanglingMarkerLinkDoesNotExist) {
    std::filesystem::create_directories(DEFAULT_BASE_DIR + "/run");
    std::filesystem::create_symlink(prefix() + "/nowhere", DEFAULT_BASE_DIR + "/run/uninstalling");
    EXPECT_FALSE(uninstallMarkerExists());
}

}  // namespace
}  // namespace tarvex

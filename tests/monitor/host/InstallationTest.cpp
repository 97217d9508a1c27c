#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "monitor/host/Installation.h"
#include "tests/monitor/host/RelocatedInstallation.h"

namespace tarvex {
namespace {

using KeyValueTest = RelocatedInstallation;

struct GrammarCase {
    const char* name;
    std::string file;
    std::string expected;  // for the key "base-dir" with the fallback "FALLBACK"
};

TEST_F(KeyValueTest, Grammar) {
    const GrammarCase cases[] = {
        {"plain", "base-dir = /srv/db\n", "/srv/db"},
        {"indented, trailing blanks", "   base-dir = /srv/db   \n", "/srv/db"},
        {"tabs around key and value", "\tbase-dir\t=\t/srv/db\t", "/srv/db"},
        {"Unicode space separators", "\u00A0base-dir\u2003=\u3000/srv/db\u202F", "/srv/db"},
        {"inner blanks kept", "base-dir = /my data/db\n", "/my data/db"},
        {"first match wins", "base-dir=/a\nbase-dir=/b\n", "/a"},
        {"key is case-sensitive", "Base-Dir=/a\n", "FALLBACK"},
        {"key must match whole", "base-dirs=/a\nbase=/b\n", "FALLBACK"},
        {"nothing after =", "base-dir=\n", "FALLBACK"},
        {"only blanks after =", "base-dir =   \t\n", "FALLBACK"},
        {"empty value skipped, later line used", "base-dir=\nbase-dir=/later\n", "/later"},
        {"doubled =", "base-dir==/a\n", "=/a"},
        {"leading = passed over", "=base-dir=/a\n", "/a"},
        {"leading == passed over", "==base-dir=/a\n", "/a"},
        {"no =", "base-dir /a\n", "FALLBACK"},
        {"comment text is part of the value", "base-dir=/a # old\n", "/a # old"},
        {"hash comment", "# base-dir=/a\n", "FALLBACK"},
        {"indented semicolon comment", "  ;base-dir=/a\n", "FALLBACK"},
        {"sections mean nothing", "[client]\nport=1\n[server]\nbase-dir=/s\n", "/s"},
        {"quotes stay", "base-dir=\"/q\"\n", "\"/q\""},
        {"colon is ordinary", "base-dir: /a\n", "FALLBACK"},
        {"CR LF keeps the CR", "base-dir=/a\r\nother=1\r\n", "/a\r"},
        {"CR does not end a line", "x=1\rbase-dir=/a\n", "FALLBACK"},
        {"NEL is not a blank", "base-dir=/a\u0085\n", "/a\u0085"},
        {"VT is not a blank", "\vbase-dir=/a\n", "FALLBACK"},
        {"no final line feed", "x=1\nbase-dir=/end", "/end"},
        {"empty file", "", "FALLBACK"},
        {"UTF-8 value", "base-dir=/donn\u00E9es\n", "/donn\u00E9es"},
    };
    const std::string path = prefix() + "/kv.cnf";
    for (const GrammarCase& c : cases) {
        writeFile(path, c.file);
        EXPECT_EQ(readKeyValue(path, "base-dir", "FALLBACK"), c.expected) << c.name;
    }
}

TEST_F(KeyValueTest, UnusableFilesGiveTheFallback) {
    EXPECT_EQ(readKeyValue(prefix() + "/missing", "k", "fb"), "fb");
    EXPECT_EQ(readKeyValue(prefix(), "k", "fb"), "fb");  // a folder

    // One bad byte anywhere makes the whole file unusable, even after the matching line.
    writeFile(prefix() + "/latin1", "k=v\nname=caf\xE9\n");
    EXPECT_EQ(readKeyValue(prefix() + "/latin1", "k", "fb"), "fb");

    // A FIFO in place of the file must not block the caller.
    const std::string fifo = prefix() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(readKeyValue(fifo, "k", "fb"), "fb");
}

TEST_F(KeyValueTest, UnreadableFileGivesTheFallback) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads files whatever their mode";
    }
    const std::string path = prefix() + "/secret";
    writeFile(path, "k=v\n");
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    EXPECT_EQ(readKeyValue(path, "k", "fb"), "fb");
}

TEST_F(KeyValueTest, SymlinkedFileIsFollowed) {
    writeFile(prefix() + "/real", "k=v\n");
    std::filesystem::create_symlink(prefix() + "/real", prefix() + "/link");
    EXPECT_EQ(readKeyValue(prefix() + "/link", "k", "fb"), "v");
}

TEST_F(KeyValueTest, AnEditShowsAtTheNextCall) {
    writeFile(TARVEX_CONFIG, "base-dir=/first\n");
    EXPECT_EQ(readConfigValue("base-dir", ""), "/first");
    writeFile(TARVEX_CONFIG, "base-dir=/second\n");
    EXPECT_EQ(readConfigValue("base-dir", ""), "/second");
    std::filesystem::remove(TARVEX_CONFIG);
    EXPECT_EQ(readConfigValue("base-dir", "gone"), "gone");
}

TEST_F(KeyValueTest, NamedFilesAreTheConfigurationAndRunTimePathsFiles) {
    writeFile(TARVEX_CONFIG, "key=from-config\n");
    writeFile(ACTIVE_PATHS_FILE, "key=from-active\n");
    EXPECT_EQ(readConfigValue("key", ""), "from-config");
    EXPECT_EQ(readActivePathValue("key", ""), "from-active");
    EXPECT_EQ(TARVEX_CONFIG, prefix() + "/opt/tarvex/etc/tarvex/tarvex.cnf");
}

using BaseDirTest = RelocatedInstallation;

TEST_F(BaseDirTest, RunTimePathsFileComesFirst) {
    writeFile(ACTIVE_PATHS_FILE, "base-dir=/active\n");
    writeFile(TARVEX_CONFIG, "base-dir=/config\n");
    EXPECT_EQ(readRuntimeBaseDir(), "/active");
}

TEST_F(BaseDirTest, FallsThroughToConfigurationThenDefault) {
    writeFile(TARVEX_CONFIG, "base-dir=/config\n");
    EXPECT_EQ(readRuntimeBaseDir(), "/config");  // no run-time paths file
    writeFile(ACTIVE_PATHS_FILE, "socket=/x\n");
    EXPECT_EQ(readRuntimeBaseDir(), "/config");  // the file lacks the key
    writeFile(ACTIVE_PATHS_FILE, "base-dir=\nbase-dir =  \n");
    EXPECT_EQ(readRuntimeBaseDir(), "/config");  // the key has no value
    writeFile(ACTIVE_PATHS_FILE, "base-dir=/active\n\xFF");
    EXPECT_EQ(readRuntimeBaseDir(), "/config");  // the file is not UTF-8
    std::filesystem::remove(TARVEX_CONFIG);
    EXPECT_EQ(readRuntimeBaseDir(), DEFAULT_BASE_DIR);
    EXPECT_EQ(DEFAULT_BASE_DIR, prefix() + "/opt/tarvex/var/tarvex/data");
}

TEST_F(BaseDirTest, ValueIsUsedAsFound) {
    writeFile(ACTIVE_PATHS_FILE, "base-dir=relative/../dir/\n");
    EXPECT_EQ(readRuntimeBaseDir(), "relative/../dir/");
}

TEST_F(BaseDirTest, LogDetailsNameTheThreeLogFiles) {
    writeFile(ACTIVE_PATHS_FILE, "base-dir=/srv/db\n");
    EXPECT_EQ(logDetailsText(),
              "Check logs for details:\n\n/srv/db/log/tarvex.log\n/srv/db/log/launchd.out.log\n"
              "/srv/db/log/launchd.err.log");
}

TEST_F(BaseDirTest, LogDetailsWithDefaultBaseDirAndTrailingSlash) {
    const std::string log = DEFAULT_BASE_DIR + "/log";
    EXPECT_EQ(logDetailsText(), "Check logs for details:\n\n" + log + "/tarvex.log\n" + log +
                                    "/launchd.out.log\n" + log + "/launchd.err.log");
    writeFile(TARVEX_CONFIG, "base-dir=/srv/db/\n");
    EXPECT_NE(logDetailsText().find("/srv/db//log/tarvex.log\n"), std::string::npos);
}

TEST(InstallationConstantsTest, MarkerNameAndRelocation) {
    EXPECT_EQ(UNINSTALL_MARKER_NAME, "uninstalling");
    relocateInstallation("/x");
    const std::string moved = TARVEXCTL;
    relocateInstallation("");
    EXPECT_EQ(moved, "/x/opt/tarvex/bin/tarvexctl");
    EXPECT_EQ(TARVEXCTL, "/opt/tarvex/bin/tarvexctl");
}

}  // namespace
}  // namespace tarvex

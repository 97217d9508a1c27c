#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "monitor/desktop/PrivateDirectory.h"
#include "monitor/desktop/ShellQuote.h"
#include "monitor/desktop/TerminalScript.h"
#include "tests/support/FakeSeams.h"
#include "tests/support/FireTimer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestApplication.h"

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;

TEST(ShellQuote, WrapsPlainTextAndEscapesEverySingleQuote) {
    EXPECT_EQ(shellQuote("/opt/tarvex/bin/tarvexctl"), "'/opt/tarvex/bin/tarvexctl'");
    EXPECT_EQ(shellQuote(""), "''");
    EXPECT_EQ(shellQuote("/Users/o'neil/bin"), "'/Users/o'\\''neil/bin'");
    EXPECT_EQ(shellQuote("''"), "''\\'''\\'''");
    // Everything else is literal inside single quotes, so nothing else needs escaping.
    EXPECT_EQ(shellQuote("$HOME `x` \"y\" \\ ;"), "'$HOME `x` \"y\" \\ ;'");
}

TEST(ShellQuote, SurvivesARealShellRoundTrip) {
    const std::string nasty = "a'b \"c\" $(echo no) `echo no` \\n ' end";
    const std::string command = "printf %s " + shellQuote(nasty);
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string echoed;
    char buffer[256];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        echoed.append(buffer, n);
    }
    pclose(pipe);
    EXPECT_EQ(echoed, nasty);
}

class PrivateDirectoryTest : public ::testing::Test {
protected:
    TempFolder temp;
    PrivateDirectoryEnvironment env;

    std::string makeFolder(const std::string& name, mode_t mode) {
        const std::string path = temp / name;
        fs::create_directories(path);
        chmod(path.c_str(), mode);
        return path;
    }
};

TEST_F(PrivateDirectoryTest, UsesAPrivateRuntimeDirectory) {
    env.runtimeDir = makeFolder("runtime", 0700);
    env.home = makeFolder("home", 0755);
    EXPECT_EQ(privateDirectory(env), env.runtimeDir);
}

TEST_F(PrivateDirectoryTest, RejectsAnOpenForeignOrLinkedRuntimeDirectoryForAPrivateCacheFolder) {
    env.home = makeFolder("home", 0755);
    const std::string cacheFolder = env.home + "/.cache/tarvex-monitor";
    env.runtimeDir = makeFolder("open", 0777);
    EXPECT_EQ(privateDirectory(env), cacheFolder);
    EXPECT_EQ(modeOf(cacheFolder), 0700u);

    env.runtimeDir = temp / "link";
    fs::create_directory_symlink(makeFolder("real", 0700), env.runtimeDir);
    EXPECT_EQ(privateDirectory(env), cacheFolder);

    if (geteuid() == 0) {  // only root can hand a folder to another user
        env.runtimeDir = makeFolder("foreign", 0700);
        ASSERT_EQ(chown(env.runtimeDir.c_str(), 65534, 65534), 0);
        EXPECT_FALSE(isPrivateDirectory(env.runtimeDir));
        EXPECT_EQ(privateDirectory(env), cacheFolder);
    }
}

TEST_F(PrivateDirectoryTest, PrefersTheCacheHomeAndTightensItsOwnLooseFolder) {
    env.cacheHome = makeFolder("cache", 0755);
    env.home = makeFolder("home", 0755);
    makeFolder("cache/tarvex-monitor", 0755);
    EXPECT_EQ(privateDirectory(env), env.cacheHome + "/tarvex-monitor");
    EXPECT_EQ(modeOf(env.cacheHome + "/tarvex-monitor"), 0700u);
}

TEST_F(PrivateDirectoryTest, UsesAVerifiedPerUserFolderInTheTempAreaNeverTheTempAreaItself) {
    env.tempDir = makeFolder("shared-tmp", 01777);
    const auto dir = privateDirectory(env);
    ASSERT_TRUE(dir);
    EXPECT_NE(*dir, env.tempDir);
    EXPECT_EQ(fs::path(*dir).parent_path(), fs::path(env.tempDir));
    EXPECT_TRUE(isPrivateDirectory(*dir));
}

TEST_F(PrivateDirectoryTest, RefusesAPlantedLinkInTheTempArea) {
    env.tempDir = makeFolder("shared-tmp", 01777);
    const std::string target = makeFolder("elsewhere", 0700);
    const std::string planted =
        env.tempDir + "/tarvex-monitor-" + std::to_string(static_cast<unsigned long>(geteuid()));
    fs::create_directory_symlink(target, planted);
    EXPECT_FALSE(privateDirectory(env));
}

TEST_F(PrivateDirectoryTest, AnswersNothingWithoutAnyUsablePlace) {
    EXPECT_FALSE(privateDirectory(env));
    env.home = "relative/home";
    EXPECT_FALSE(privateDirectory(env));
}

TEST(WriteTerminalScript, WritesAnExecutableScriptWithTheTextAndADistinctNameEachTime) {
    TempFolder temp;
    const auto first = writeTerminalScript(temp.path(), "echo one");
    const auto second = writeTerminalScript(temp.path(), "echo two");
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->path, second->path);
    EXPECT_EQ(fs::path(first->path).parent_path(), fs::path(temp.path()));
    EXPECT_EQ(fs::path(first->path).extension(), ".command");
    EXPECT_EQ(fs::path(first->path).filename().string().rfind("tarvex_cmd", 0), 0u);
    EXPECT_EQ(readFile(first->path), "#!/bin/bash\necho one\n");
    EXPECT_EQ(readFile(second->path), "#!/bin/bash\necho two\n");
    EXPECT_EQ(modeOf(first->path), 0755u);
}

TEST(WriteTerminalScript, FailsInAFolderThatDoesNotExist) {
    TempFolder temp;
    EXPECT_FALSE(writeTerminalScript(temp / "missing", "echo"));
}

TEST(RemoveTerminalScript, LeavesAFileThatReplacedTheScript) {
    TempFolder temp;
    const auto script = writeTerminalScript(temp.path(), "echo one");
    ASSERT_TRUE(script);
    const std::string replacement = temp / "replacement";
    writeFile(replacement, "someone else's");
    fs::rename(replacement, script->path);
    removeTerminalScript(*script);
    EXPECT_EQ(readFile(script->path), "someone else's");
}

class TerminalScriptLauncherTest : public ::testing::Test {
protected:
    void SetUp() override { ensureTestApplication(); }

    TempFolder temp;
    FakeTerminal terminal;
    TerminalScriptLauncher launcher{terminal, nullptr, [this] { return temp.path(); }};
};

TEST_F(TerminalScriptLauncherTest, TheFirstRemovalKeepsTheScriptOfASecondAction) {
    launcher.openTerminal("echo first");
    launcher.openTerminal("echo second");
    ASSERT_EQ(terminal.opened.size(), 2u);
    const QList<QTimer*> removals = launcher.pendingRemovals();
    ASSERT_EQ(removals.size(), 2);

    // Timers are listed in the order the actions ran. The first action's removal must leave
    // the second action's script for its terminal.
    fire(removals[0]);
    EXPECT_FALSE(fs::exists(terminal.opened[0]));
    EXPECT_EQ(readFile(terminal.opened[1]), "#!/bin/bash\necho second\n");

    const QList<QTimer*> rest = launcher.pendingRemovals();
    ASSERT_EQ(rest.size(), 1);
    fire(rest[0]);
    EXPECT_FALSE(fs::exists(terminal.opened[0]));
    EXPECT_FALSE(fs::exists(terminal.opened[1]));
}

TEST_F(TerminalScriptLauncherTest, WithoutAPrivateFolderNothingIsWrittenOrOpened) {
    TerminalScriptLauncher homeless(terminal, nullptr, [] { return std::nullopt; });
    homeless.openTerminal("echo hi");
    EXPECT_TRUE(terminal.opened.empty());
    EXPECT_TRUE(homeless.pendingRemovals().isEmpty());
}

}  // namespace
}  // namespace tarvex::testing

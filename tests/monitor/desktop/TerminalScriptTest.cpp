#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "monitor/desktop/PrivateDirectory.h"
#include "monitor/desktop/ShellQuote.h"
#include "monitor/desktop/TerminalScript.h"
#include "tests/support/FakeSeams.h"
#include "tests/support/FireTimer.h"
#include "tests/support/ScopedEnv.h"
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
    const std::string tmp = temp / "shared-tmp";  // a shared temp area, once a test makes it
    ScopedEnv tempDir{"TMPDIR", tmp};
    ScopedEnv runtimeDir{"XDG_RUNTIME_DIR", ""};
    const std::string ours = tmp + "/tarvex-monitor-" + std::to_string(geteuid());
    const std::string qtsOwn = tmp + "/runtime-" + getpwuid(geteuid())->pw_name;

    std::string makeFolder(const std::string& name, mode_t mode) {
        const std::string path = temp / name;
        fs::create_directories(path);
        chmod(path.c_str(), mode);
        return path;
    }
};

TEST_F(PrivateDirectoryTest, UsesAPrivateRuntimeDirectory) {
    const ScopedEnv runtime("XDG_RUNTIME_DIR", makeFolder("runtime", 0700));
    EXPECT_EQ(privateDirectory(), temp / "runtime");
}

TEST_F(PrivateDirectoryTest, RejectsAnOpenForeignOrLinkedRuntimeDirectoryForAPrivateTempFolder) {
    makeFolder("shared-tmp", 01777);
    std::vector<std::string> unfit = {makeFolder("open", 0777), temp / "link"};
    fs::create_directory_symlink(makeFolder("real", 0700), unfit[1]);
    if (geteuid() == 0) {  // only root can hand a folder to another user
        unfit.push_back(makeFolder("foreign", 0700));
        ASSERT_EQ(chown(unfit.back().c_str(), 65534, 65534), 0);
        EXPECT_FALSE(isPrivateDirectory(unfit.back()));
    }
    for (const std::string& dir : unfit) {
        const ScopedEnv runtime("XDG_RUNTIME_DIR", dir);
        const auto chosen = privateDirectory();
        ASSERT_TRUE(chosen) << dir;
        EXPECT_EQ(fs::path(*chosen).parent_path(), fs::path(tmp)) << dir;
        EXPECT_TRUE(isPrivateDirectory(*chosen)) << dir;
    }
    EXPECT_EQ(modeOf(unfit[0]), 0777u);
}

TEST_F(PrivateDirectoryTest, UsesAVerifiedPerUserFolderInTheTempAreaNeverTheTempAreaItself) {
    makeFolder("shared-tmp", 01777);
    const auto dir = privateDirectory();
    ASSERT_TRUE(dir);
    EXPECT_EQ(fs::path(*dir).parent_path(), fs::path(tmp));
    EXPECT_TRUE(isPrivateDirectory(*dir));

    // Where Qt's own is taken, the monitor's, tightened when it was made too open.
    fs::remove(*dir);
    fs::create_directory_symlink(makeFolder("elsewhere", 0700), qtsOwn);
    makeFolder("shared-tmp/" + fs::path(ours).filename().string(), 0755);
    EXPECT_EQ(privateDirectory(), ours);
    EXPECT_EQ(modeOf(ours), 0700u);
}

TEST_F(PrivateDirectoryTest, RefusesLinksPlantedInTheTempArea) {
    makeFolder("shared-tmp", 01777);
    const std::string target = makeFolder("elsewhere", 0700);
    fs::create_directory_symlink(target, qtsOwn);
    fs::create_directory_symlink(target, ours);
    EXPECT_FALSE(privateDirectory());
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

#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>
#include <set>

#include "monitor/desktop/LogExport.h"
#include "tests/support/TempFolder.h"

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;

class LogExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(logDir + "/tarvex.log", "service log\n");
        writeFile(logDir + "/launchd.out.log", "out\n");
        writeFile(logDir + "/archive/old.log", "older\n");
    }

    // Nothing but `expected` entries in the folder beside the destination: no partial copy,
    // no set-aside old copy.
    void expectOnlyEntries(const std::string& folder, std::set<std::string> expected) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.insert(entry.path().filename().string());
        }
        EXPECT_EQ(names, expected);
    }

    TempFolder temp;
    const std::string logDir = temp / "base/log";
    const std::string saveFolder = temp / "saved";
};

TEST_F(LogExportTest, CopiesTheWholeLogFolderToANewName) {
    fs::create_directories(saveFolder);
    const auto result = exportLogFolder(logDir, saveFolder + "/tarvex-logs");
    ASSERT_TRUE(result.ok()) << result.reason().toStdString();
    EXPECT_EQ(readFile(saveFolder + "/tarvex-logs/tarvex.log"), "service log\n");
    EXPECT_EQ(readFile(saveFolder + "/tarvex-logs/launchd.out.log"), "out\n");
    EXPECT_EQ(readFile(saveFolder + "/tarvex-logs/archive/old.log"), "older\n");
    expectOnlyEntries(saveFolder, {"tarvex-logs"});
}

TEST_F(LogExportTest, ReplacesAnExistingFolderOrFileCompletely) {
    writeFile(saveFolder + "/tarvex-logs/stale.txt", "stale");
    ASSERT_TRUE(exportLogFolder(logDir, saveFolder + "/tarvex-logs").ok());
    EXPECT_FALSE(fs::exists(saveFolder + "/tarvex-logs/stale.txt"));
    EXPECT_EQ(readFile(saveFolder + "/tarvex-logs/tarvex.log"), "service log\n");
    expectOnlyEntries(saveFolder, {"tarvex-logs"});

    writeFile(saveFolder + "/as-file", "a plain file");
    ASSERT_TRUE(exportLogFolder(logDir, saveFolder + "/as-file").ok());
    EXPECT_EQ(readFile(saveFolder + "/as-file/tarvex.log"), "service log\n");
    expectOnlyEntries(saveFolder, {"tarvex-logs", "as-file"});
}

TEST_F(LogExportTest, AMissingLogFolderFailsWithADescriptionAndTouchesNothing) {
    writeFile(saveFolder + "/tarvex-logs/keep.txt", "keep");
    const auto result = exportLogFolder(temp / "nowhere/log", saveFolder + "/tarvex-logs");
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.reason().contains("No such file or directory"))
        << result.reason().toStdString();
    EXPECT_EQ(readFile(saveFolder + "/tarvex-logs/keep.txt"), "keep");
    expectOnlyEntries(saveFolder, {"tarvex-logs"});
}

TEST_F(LogExportTest, ACopyThatFailsHalfWayLeavesTheOldDestinationAndNoPartialCopy) {
    // A pipe cannot be copied as a file, for root too; the regular files before it may be.
    ASSERT_EQ(mkfifo((logDir + "/zz-pipe").c_str(), 0600), 0);
    writeFile(saveFolder + "/tarvex-logs/keep.txt", "keep");
    const auto result = exportLogFolder(logDir, saveFolder + "/tarvex-logs");
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.reason().isEmpty());
    EXPECT_EQ(readFile(saveFolder + "/tarvex-logs/keep.txt"), "keep");
    EXPECT_FALSE(fs::exists(saveFolder + "/tarvex-logs/tarvex.log"));
    expectOnlyEntries(saveFolder, {"tarvex-logs"});
}

TEST_F(LogExportTest, ADestinationWhoseParentIsAFileFails) {
    writeFile(temp / "not-a-folder", "file");
    const auto result = exportLogFolder(logDir, temp / "not-a-folder/tarvex-logs");
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(readFile(temp / "not-a-folder"), "file");
}

TEST_F(LogExportTest, RefusesToSaveIntoOrOverTheLogFolderItself) {
    EXPECT_FALSE(exportLogFolder(logDir, logDir).ok());
    EXPECT_FALSE(exportLogFolder(logDir, logDir + "/copy").ok());
    EXPECT_FALSE(exportLogFolder(logDir + "/", logDir + "/archive/copy").ok());
    EXPECT_EQ(readFile(logDir + "/tarvex.log"), "service log\n");
    expectOnlyEntries(logDir, {"tarvex.log", "launchd.out.log", "archive"});
}

TEST_F(LogExportTest, ASymbolicLinkAtTheDestinationIsReplacedNotFollowed) {
    writeFile(temp / "target/precious.txt", "precious");
    fs::create_directories(saveFolder);
    fs::create_directory_symlink(temp / "target", saveFolder + "/tarvex-logs");
    ASSERT_TRUE(exportLogFolder(logDir, saveFolder + "/tarvex-logs").ok());
    EXPECT_FALSE(fs::is_symlink(saveFolder + "/tarvex-logs"));
    EXPECT_EQ(readFile(saveFolder + "/tarvex-logs/tarvex.log"), "service log\n");
    EXPECT_EQ(readFile(temp / "target/precious.txt"), "precious");
}

}  // namespace
}  // namespace tarvex::testing

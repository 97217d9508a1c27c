#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <optional>
#include <vector>

#include "monitor/desktop/DesktopSeams.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TestApplication.h"

namespace tarvex {
namespace {

#ifndef __APPLE__
// The file viewer hands the folder to xdg-open; a stand-in on PATH plays the outcomes.
TEST(FileViewerTest, TellsWhetherTheOpenerCouldShowTheFolder) {
    testing::ensureTestApplication();
    struct Case {
        const char* opener;  // the stand-in's body
        bool shown;
    };
    const Case cases[] = {
        {"exit 3", false},             // xdg-open: no method available for this folder
        {"exit 0", true},              // a file manager took it
        {"sleep 2.5; exit 3", false},  // it took its time to find nothing to show it with
    };
    const std::string path = qgetenv("PATH").toStdString();
    for (const Case& c : cases) {
        QTemporaryDir bin;
        QFile opener(bin.filePath(QStringLiteral("xdg-open")));
        ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
        opener.write(QByteArray("#!/bin/sh\n") + c.opener + "\n");
        opener.close();
        opener.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);

        std::optional<bool> shown;
        int answers = 0;
        {
            const testing::ScopedEnv withOpener("PATH", bin.path().toStdString() + ":" + path);
            DesktopFileViewer().showFolder(QDir::tempPath().toStdString(), [&](bool result) {
                shown = result;
                ++answers;
            });
            (void)QTest::qWaitFor([&] { return shown.has_value(); }, 10000);
        }
        EXPECT_EQ(shown, std::optional<bool>(c.shown)) << c.opener;
        QTest::qWait(300);
        EXPECT_EQ(answers, 1) << c.opener;
    }
}
#endif

// A second export under the proposed name replaces the first, once the user agrees; declined,
// the dialog stays open for another name.
TEST(SaveDialogTest, AnExistingFolderOfTheProposedNameIsTheDestinationNotAFolderToOpen) {
    testing::ensureTestApplication();
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("tarvex-logs")));
    const testing::ScopedEnv inHome("HOME", home.path().toStdString());
    for (const bool agree : {true, false}) {
        FileDialogSaveDialog dialog;
        std::vector<QString> asked;
        dialog.confirmReplace = [&](QWidget*, const QString& path) {
            asked.push_back(path);
            return agree;
        };
        QTimer poll;  // the dialog comes up only once the folder has been read; Save, then close
        QObject::connect(&poll, &QTimer::timeout, [] {
            if (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                open->accept();
                if (open->isVisible()) {
                    open->reject();  // it did not take the answer: the test ends it
                }
            }
        });
        poll.start(10);
        const auto chosen = dialog.askForDestination("Save tarvex Logs", "tarvex-logs");
        const QString folder = QDir(home.path()).filePath(QStringLiteral("tarvex-logs"));
        EXPECT_EQ(asked, std::vector<QString>{folder});
        EXPECT_EQ(chosen, agree ? std::optional<QString>(folder) : std::nullopt);
    }
}

}  // namespace
}  // namespace tarvex

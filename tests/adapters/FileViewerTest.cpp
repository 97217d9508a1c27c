#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

#include "monitor/desktop/DesktopSeams.h"
#include "tests/support/EventWaiter.h"
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
        {"exit 3", false},  // xdg-open: no method available for this folder
        {"exit 0", true},   // a file manager took it
        {"sleep 5", true},  // the opener stays while the file manager is open
    };
    const QByteArray path = qgetenv("PATH");
    for (const Case& c : cases) {
        QTemporaryDir bin;
        QFile opener(bin.filePath(QStringLiteral("xdg-open")));
        ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
        opener.write(QByteArray("#!/bin/sh\n") + c.opener + "\n");
        opener.close();
        opener.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        qputenv("PATH", bin.path().toUtf8() + ":" + path);

        std::optional<bool> shown;
        int answers = 0;
        DesktopFileViewer().showFolder(QDir::tempPath().toStdString(), [&](bool result) {
            shown = result;
            ++answers;
        });
        testing::EventWaiter().waitUntil([&] { return shown.has_value(); }, 10000, 10);
        qputenv("PATH", path);
        EXPECT_EQ(shown, std::optional<bool>(c.shown)) << c.opener;
        testing::EventWaiter().waitUntil([] { return false; }, 300, 10);
        EXPECT_EQ(answers, 1) << c.opener;
    }
}
#endif

}  // namespace
}  // namespace tarvex

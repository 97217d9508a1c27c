#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "monitor/ui/StatusIcon.h"
#include "tests/support/TestApplication.h"

namespace tarvex {
namespace {

constexpr ServiceState ALL_STATES[] = {ServiceState::active, ServiceState::starting,
                                       ServiceState::stopping, ServiceState::stopped};

QImage imageOf(ShownState state, const QString& prefix, qreal ratio = 1.0) {
    return renderStatusIcon(state, ratio, prefix).toImage().convertToFormat(QImage::Format_ARGB32);
}
QImage imageOf(ServiceState state, const QString& prefix, qreal ratio = 1.0) {
    return imageOf(shownStateOf(state), prefix, ratio);
}

// The saturation of the most colourful pixel that shows; -1 when none shows.
int mostSaturated(const QImage& image) {
    int most = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            most = c.alpha() > 128 ? std::max(most, c.hsvSaturation()) : most;
        }
    }
    return most;
}

bool closeTo(QColor actual, QColor expected, int tolerance = 12) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance && actual.alpha() >= 250;
}

class StatusIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ensureTestApplication();
        ASSERT_TRUE(emptyArtwork.isValid());
    }
    QTemporaryDir emptyArtwork;
};

TEST_F(StatusIconTest, ArtworkIsCompiledInForEveryName) {
    for (const char* name : {"active", "loading", "stopped", "unknown", "notinstalled"}) {
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name))))
            << name;
    }
    EXPECT_EQ(statusIconResourceName(ServiceState::starting), QStringLiteral("loading"));
    EXPECT_EQ(statusIconResourceName(ServiceState::stopping), QStringLiteral("loading"));
}

TEST_F(StatusIconTest, ArtworkFillsWellBeyondTheFallbackDot) {
    // The drawn fallback leaves x = 2 empty; every piece of artwork is a larger disc.
    for (ServiceState state : ALL_STATES) {
        const QImage image = imageOf(state, DEFAULT_STATUS_ICON_PREFIX);
        ASSERT_EQ(image.size(), QSize(18, 18));
        EXPECT_EQ(image.pixelColor(2, 9).alpha(), 255) << stateIndex(state);
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << "corners stay clear";
    }
}

TEST_F(StatusIconTest, ArtworkColourTellsTheStatesApart) {
    const QColor active =
        imageOf(ServiceState::active, DEFAULT_STATUS_ICON_PREFIX).pixelColor(9, 3);
    const QColor loading =
        imageOf(ServiceState::starting, DEFAULT_STATUS_ICON_PREFIX).pixelColor(9, 3);
    const QColor stopped =
        imageOf(ServiceState::stopped, DEFAULT_STATUS_ICON_PREFIX).pixelColor(9, 3);
    EXPECT_GT(active.green(), active.red());
    EXPECT_GT(stopped.red(), stopped.green() + 100);
    EXPECT_GT(loading.red(), 200);
    EXPECT_GT(loading.green(), 120);
    EXPECT_LT(loading.blue(), 100);
    EXPECT_EQ(imageOf(ServiceState::starting, DEFAULT_STATUS_ICON_PREFIX),
              imageOf(ServiceState::stopping, DEFAULT_STATUS_ICON_PREFIX));
    // Unknown is grey, Not installed a hollow grey ring: neither may pass for the red "stopped".
    for (const QString& prefix : {QString(DEFAULT_STATUS_ICON_PREFIX), emptyArtwork.path()}) {
        const QImage unknown = imageOf(ShownState::unknown, prefix);
        const QImage absent = imageOf(ShownState::notInstalled, prefix);
        EXPECT_LT(mostSaturated(unknown), 40) << prefix.toStdString();
        EXPECT_LT(mostSaturated(absent), 40) << prefix.toStdString();
        EXPECT_EQ(unknown.pixelColor(9, 6).alpha(), 255) << prefix.toStdString();
        EXPECT_EQ(absent.pixelColor(9, 6).alpha(), 0) << "hollow " << prefix.toStdString();
    }
}

TEST_F(StatusIconTest, MissingArtworkDrawsTheStateColouredDot) {
    const QColor expected[] = {QColor(0x34, 0xC7, 0x59), QColor(0xFF, 0xCC, 0x00),
                               QColor(0xFF, 0x95, 0x00), QColor(0xFF, 0x3B, 0x30)};
    for (ServiceState state : ALL_STATES) {
        const QImage image = imageOf(state, emptyArtwork.path());
        ASSERT_EQ(image.size(), QSize(18, 18));
        const QColor want = expected[stateIndex(state)];
        // Inside the dot, left and right of the letter.
        EXPECT_TRUE(closeTo(image.pixelColor(5, 9), want)) << stateIndex(state);
        EXPECT_TRUE(closeTo(image.pixelColor(12, 9), want)) << stateIndex(state);
        // Four pixels of margin on every side.
        for (int i = 0; i < 18; ++i) {
            EXPECT_EQ(image.pixelColor(i, 3).alpha(), 0);
            EXPECT_EQ(image.pixelColor(i, 14).alpha(), 0);
            EXPECT_EQ(image.pixelColor(3, i).alpha(), 0);
            EXPECT_EQ(image.pixelColor(14, i).alpha(), 0);
        }
    }
}

TEST_F(StatusIconTest, FallbackLetterIsWhiteAndCentred) {
    const QImage image = imageOf(ServiceState::stopped, emptyArtwork.path());
    int whiteLeft = 18, whiteRight = -1, whiteTop = 18, whiteBottom = -1;
    for (int y = 0; y < 18; ++y) {
        for (int x = 0; x < 18; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 240 && c.green() > 200 && c.blue() > 200 && c.alpha() > 240) {
                whiteLeft = std::min(whiteLeft, x);
                whiteRight = std::max(whiteRight, x);
                whiteTop = std::min(whiteTop, y);
                whiteBottom = std::max(whiteBottom, y);
            }
        }
    }
    ASSERT_GE(whiteRight, 0) << "no white letter drawn";
    // Centred within a pixel either way, and small enough for the dot.
    EXPECT_NEAR((whiteLeft + whiteRight) / 2.0, 8.5, 1.0);
    EXPECT_NEAR((whiteTop + whiteBottom) / 2.0, 8.5, 1.5);
    EXPECT_LE(whiteRight - whiteLeft, 6);
}

TEST_F(StatusIconTest, FallbackTellsStartingFromStopping) {
    EXPECT_NE(imageOf(ServiceState::starting, emptyArtwork.path()),
              imageOf(ServiceState::stopping, emptyArtwork.path()));
}

TEST_F(StatusIconTest, CorruptArtworkFallsBackToTheDot) {
    for (const char* name : {"active", "loading", "stopped"}) {
        QFile file(QDir(emptyArtwork.path()).filePath(QLatin1String(name) + ".svg"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<svg this is not");
    }
    const QImage image = imageOf(ServiceState::active, emptyArtwork.path());
    EXPECT_TRUE(closeTo(image.pixelColor(5, 9), QColor(0x34, 0xC7, 0x59)));
    EXPECT_EQ(image.pixelColor(2, 9).alpha(), 0);
}

TEST_F(StatusIconTest, HighDensityPixmapsKeepTheLogicalSize) {
    for (const QString& prefix : {QString(DEFAULT_STATUS_ICON_PREFIX), emptyArtwork.path()}) {
        const QPixmap pixmap = renderStatusIcon(ServiceState::active, 2.0, prefix);
        EXPECT_EQ(pixmap.size(), QSize(36, 36));
        EXPECT_EQ(pixmap.deviceIndependentSize(), QSizeF(18, 18));
    }
    const QIcon icon = makeStatusIcon(ServiceState::stopped);
    EXPECT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(18, 18)));
    EXPECT_FALSE(icon.isMask());
}

}  // namespace
}  // namespace tarvex

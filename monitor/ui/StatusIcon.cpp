#include "monitor/ui/StatusIcon.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

#include <array>
#include <cmath>

// The artwork lives in a static library: its resources must be registered by hand, and
// Q_INIT_RESOURCE only works outside a namespace.
static void registerTarvexIcons() {
    Q_INIT_RESOURCE(tarvex_icons);
}

namespace tarvex {

namespace {

void ensureArtworkRegistered() {
    static const bool registered = [] {
        registerTarvexIcons();
        return true;
    }();
    (void)registered;
}

// The fixed sRGB values of the desktop's system colours (light appearance), by state order.
constexpr std::array<QRgb, SHOWN_STATE_COUNT> STATE_COLOURS = {
    qRgb(0x34, 0xC7, 0x59),  // active: green
    qRgb(0xFF, 0xCC, 0x00),  // starting: yellow
    qRgb(0xFF, 0x95, 0x00),  // stopping: orange
    qRgb(0xFF, 0x3B, 0x30),  // stopped: red
    qRgb(0x8E, 0x8E, 0x93),  // unknown: grey
    qRgb(0x8E, 0x8E, 0x93),  // not installed: a grey ring
};
constexpr qreal RING_WIDTH = 1.8;

constexpr int DOT_INSET = 4;
// The letter is 7 units on an 18-unit image; logical pixels keep that proportion on every
// screen, where a point size would grow with the screen's dots per inch.
constexpr int LETTER_PIXEL_SIZE = 7;

QPixmap blankPixmap(qreal devicePixelRatio) {
    const int side = static_cast<int>(std::ceil(STATUS_ICON_SIZE * devicePixelRatio));
    QPixmap pixmap(side, side);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

bool drawArtwork(QPixmap& pixmap, const QString& path) {
    if (!QFile::exists(path)) {
        return false;
    }
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        return false;
    }
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, STATUS_ICON_SIZE, STATUS_ICON_SIZE));
    return true;
}

void drawFallback(QPixmap& pixmap, ShownState state) {
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF bounds(0, 0, STATUS_ICON_SIZE, STATUS_ICON_SIZE);
    const QRectF dot = bounds.adjusted(DOT_INSET, DOT_INSET, -DOT_INSET, -DOT_INSET);

    if (stateDrawnHollow(state)) {
        painter.setPen(QPen(stateColour(state), RING_WIDTH));
        painter.setBrush(Qt::NoBrush);
        const qreal half = RING_WIDTH / 2;
        painter.drawEllipse(dot.adjusted(half, half, -half, -half));
        return;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(stateColour(state));
    painter.drawEllipse(dot);

    QFont font = QGuiApplication::font();
    font.setPixelSize(LETTER_PIXEL_SIZE);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QString letter = QStringLiteral("T");
    const QFontMetricsF metrics(font);
    const QSizeF size(metrics.horizontalAdvance(letter), metrics.height());
    const QRectF letterRect((bounds.width() - size.width()) * 0.5,
                            (bounds.height() - size.height()) * 0.5, size.width(), size.height());
    painter.drawText(letterRect, Qt::AlignCenter, letter);
}

}  // namespace

QString statusIconResourceName(ShownState state) {
    switch (state) {
        case ShownState::active:
            return QStringLiteral("active");
        case ShownState::starting:
        case ShownState::stopping:
            return QStringLiteral("loading");
        case ShownState::unknown:
            return QStringLiteral("unknown");
        case ShownState::notInstalled:
            return QStringLiteral("notinstalled");
        case ShownState::stopped:
            break;
    }
    return QStringLiteral("stopped");
}

QColor stateColour(ShownState state) {
    return QColor(STATE_COLOURS[static_cast<std::size_t>(state)]);
}

bool stateDrawnHollow(ShownState state) {
    return state == ShownState::notInstalled;
}

QPixmap renderStatusIcon(ShownState state, qreal devicePixelRatio, const QString& resourcePrefix) {
    ensureArtworkRegistered();
    if (!(devicePixelRatio >= 1.0)) {
        devicePixelRatio = 1.0;
    }
    QPixmap pixmap = blankPixmap(devicePixelRatio);
    const QString path =
        resourcePrefix + QLatin1Char('/') + statusIconResourceName(state) + QStringLiteral(".svg");
    if (!drawArtwork(pixmap, path)) {
        pixmap.fill(Qt::transparent);
        drawFallback(pixmap, state);
    }
    return pixmap;
}

QIcon makeStatusIcon(ShownState state, const QString& resourcePrefix) {
    QIcon icon;
    icon.addPixmap(renderStatusIcon(state, 1.0, resourcePrefix));
    icon.addPixmap(renderStatusIcon(state, 2.0, resourcePrefix));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const qreal ratio = screen->devicePixelRatio();
        if (ratio != 1.0 && ratio != 2.0) {
            icon.addPixmap(renderStatusIcon(state, ratio, resourcePrefix));
        }
    }
    return icon;
}

}  // namespace tarvex

#include "monitor/ui/StatusIcon.h"

#include <QFile>
#include <QFont>
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

// The fixed sRGB values of the desktop's system colours (light appearance), by state order.
constexpr std::array<QRgb, SHOWN_STATE_COUNT> STATE_COLOURS = {
    qRgb(0x34, 0xC7, 0x59),  // active: green
    qRgb(0xFF, 0xCC, 0x00),  // starting: yellow
    qRgb(0xFF, 0x95, 0x00),  // stopping: orange
    qRgb(0xFF, 0x3B, 0x30),  // stopped: red
    qRgb(0x8E, 0x8E, 0x93),  // unknown: grey
    qRgb(0x8E, 0x8E, 0x93),  // not installed: a grey ring
};
constexpr std::array<const char*, SHOWN_STATE_COUNT> ICON_NAMES = {
    "active", "loading", "loading", "stopped", "unknown", "notinstalled"};
constexpr qreal RING_WIDTH = 1.8;
constexpr int ICON_SIZE = 18;  // logical pixels

constexpr int DOT_INSET = 4;
// The letter is 7 units on an 18-unit image; logical pixels keep that proportion on every
// screen, where a point size would grow with the screen's dots per inch.
constexpr int LETTER_PIXEL_SIZE = 7;

bool drawArtwork(QPixmap& pixmap, const QString& path) {
    QSvgRenderer renderer;
    if (!QFile::exists(path) || !renderer.load(path)) {
        return false;
    }
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, ICON_SIZE, ICON_SIZE));
    return true;
}

void drawFallback(QPixmap& pixmap, ShownState state) {
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF bounds(0, 0, ICON_SIZE, ICON_SIZE);
    const QRectF dot = bounds.adjusted(DOT_INSET, DOT_INSET, -DOT_INSET, -DOT_INSET);

    if (stateDrawnHollow(state)) {
        painter.setPen(QPen(stateColour(state), RING_WIDTH));
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
    painter.drawText(bounds, Qt::AlignCenter, QStringLiteral("T"));
}

}  // namespace

QString statusIconResourceName(ShownState state) {
    return QLatin1String(ICON_NAMES[static_cast<std::size_t>(state)]);
}

QColor stateColour(ShownState state) {
    return QColor(STATE_COLOURS[static_cast<std::size_t>(state)]);
}

bool stateDrawnHollow(ShownState state) {
    return state == ShownState::notInstalled;
}

QPixmap renderStatusIcon(ShownState state, qreal devicePixelRatio, const QString& resourcePrefix) {
    [[maybe_unused]] static const bool registered = (registerTarvexIcons(), true);
    if (!(devicePixelRatio >= 1.0)) {
        devicePixelRatio = 1.0;
    }
    const int side = static_cast<int>(std::ceil(ICON_SIZE * devicePixelRatio));
    QPixmap pixmap(side, side);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    const QString path =
        resourcePrefix + QLatin1Char('/') + statusIconResourceName(state) + QStringLiteral(".svg");
    if (!drawArtwork(pixmap, path)) {
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

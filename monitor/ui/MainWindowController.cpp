#include "monitor/ui/MainWindowController.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <vector>

#include "monitor/ui/StatusIcon.h"

namespace tarvex {

namespace {

constexpr int WINDOW_WIDTH = 480;
constexpr int WINDOW_HEIGHT = 500;
constexpr int CARD_HEIGHT = 72;
constexpr int CONTENT_LEFT = 20;
constexpr int CONTENT_WIDTH = 440;
constexpr double BUTTON_GAP = 8.0;
constexpr double BUTTON_HEIGHT = 30.0;
const QColor UNKNOWN_DOT_COLOUR(0x8E, 0x8E, 0x93);

// The layout is given with the origin at the parent's bottom-left corner and y growing
// upwards; widgets want the top-left corner.
QRect fromBottomLeft(double x, double y, double width, double height, int parentHeight) {
    const int left = qRound(x);
    const int right = qRound(x + width);
    const int top = qRound(parentHeight - y - height);
    const int bottom = qRound(parentHeight - y);
    return QRect(left, top, right - left, bottom - top);
}

QColor secondaryTextColour(const QWidget& widget) {
    return widget.palette().color(QPalette::PlaceholderText);
}

// The rounded, bordered panel behind the state line.
class StatusCard : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Mid), 1.0));
        painter.setBrush(palette().color(QPalette::Base));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    }
};

// Closing only hides: the window and its controls live as long as their controller.
class MainWindow : public QWidget {
public:
    MainWindow() = default;

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        hide();
    }
};

QString withDash(const std::string& text) {
    return text.empty() ? QStringLiteral("\u2014") : QString::fromStdString(text);
}

}  // namespace

StatusDot::StatusDot(QWidget* parent) : QWidget(parent), colour_(UNKNOWN_DOT_COLOUR) {}

void StatusDot::setColour(const QColor& colour) {
    colour_ = colour;
    QWidget::update();
}

void StatusDot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour_);
    painter.drawEllipse(QRectF(rect()));
}

MainWindowController::MainWindowController(QObject* parent) : QObject(parent) {}

MainWindowController::~MainWindowController() = default;

void MainWindowController::showWindow() {
    if (window == nullptr) {
        buildWindow();
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void MainWindowController::closeWindow() {
    if (window != nullptr) {
        window->hide();
    }
}

void MainWindowController::update(const TarvexStatus& status, bool locked) {
    if (window == nullptr) {
        return;
    }
    const ServiceState state = status.state();
    statusDot->setColour(stateColour(state));
    statusTitleLabel->setText(QString::fromStdString("tarvex: " + status.summary()));
    statusDetailLabel->setText(QStringLiteral("PID ") + withDash(status.pid) +
                               QStringLiteral("  \u00B7  Port ") + withDash(status.port));
    startButton->setEnabled(!locked && state == ServiceState::stopped);
    stopButton->setEnabled(!locked && state == ServiceState::active);
    restartButton->setEnabled(!locked && state == ServiceState::active);
    settingsButton->setEnabled(!locked);
    initializeButton->setEnabled(!locked);
}

void MainWindowController::showHelperProblem(const QString& shortReason,
                                             const QString& explanation) {
    if (window == nullptr) {
        return;
    }
    noticeLabel->setText(explanation);
    noticeLabel->setVisible(!explanation.isEmpty());
    if (explanation.isEmpty()) {
        return;
    }
    statusDetailLabel->setText(shortReason);
    for (QPushButton* button : {startButton, stopButton, restartButton, initializeButton}) {
        button->setEnabled(false);
    }
}

void MainWindowController::buildWindow() {
    ownedWindow_ = std::make_unique<MainWindow>();
    window = ownedWindow_.get();
    window->setWindowTitle(QStringLiteral("tarvex Monitor"));
    window->setFixedSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    window->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(window, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        emit contextMenuRequested(window->mapToGlobal(position));
    });
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        window->move(available.center() - QPoint(WINDOW_WIDTH / 2, WINDOW_HEIGHT / 2));
    }

    auto* card = new StatusCard(window);
    card->setObjectName(QStringLiteral("statusCard"));
    card->setGeometry(fromBottomLeft(CONTENT_LEFT, 408, CONTENT_WIDTH, CARD_HEIGHT, WINDOW_HEIGHT));

    statusDot = new StatusDot(card);
    statusDot->setGeometry(fromBottomLeft(18, 28, 16, 16, CARD_HEIGHT));

    statusTitleLabel = new QLabel(QStringLiteral("Unknown"), card);
    QFont titleFont = statusTitleLabel->font();
    titleFont.setPixelSize(16);
    titleFont.setWeight(QFont::DemiBold);
    statusTitleLabel->setFont(titleFont);
    statusTitleLabel->setGeometry(fromBottomLeft(46, 38, CONTENT_WIDTH - 60, 22, CARD_HEIGHT));

    statusDetailLabel = new QLabel(QStringLiteral("PID \u2014  \u00B7  Port \u2014"), card);
    QFont detailFont = statusDetailLabel->font();
    detailFont.setPixelSize(12);
    statusDetailLabel->setFont(detailFont);
    QPalette detailPalette = statusDetailLabel->palette();
    detailPalette.setColor(QPalette::WindowText, secondaryTextColour(*statusDetailLabel));
    statusDetailLabel->setPalette(detailPalette);
    statusDetailLabel->setGeometry(fromBottomLeft(46, 16, CONTENT_WIDTH - 60, 18, CARD_HEIGHT));

    // Between the last section and the Close button.
    noticeLabel = new QLabel(window);
    noticeLabel->setObjectName(QStringLiteral("helperNotice"));
    noticeLabel->setWordWrap(true);
    noticeLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    noticeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    noticeLabel->setGeometry(fromBottomLeft(CONTENT_LEFT, 58, CONTENT_WIDTH, 78, WINDOW_HEIGHT));
    noticeLabel->hide();

    // One cursor runs down the sections, in bottom-left coordinates.
    double cursorY = 394;
    auto addSectionLabel = [&](const QString& heading) {
        auto* label = new QLabel(heading.toUpper(), window);
        QFont font = label->font();
        font.setPixelSize(10);
        font.setBold(true);
        label->setFont(font);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, secondaryTextColour(*label));
        label->setPalette(palette);
        label->setGeometry(
            fromBottomLeft(CONTENT_LEFT, cursorY - 14, CONTENT_WIDTH, 14, WINDOW_HEIGHT));
        cursorY -= 22;
    };
    auto addRow = [&](const std::vector<QPushButton*>& buttons) {
        const double count = static_cast<double>(buttons.size());
        const double width = (CONTENT_WIDTH - BUTTON_GAP * (count - 1)) / count;
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            const double x = CONTENT_LEFT + static_cast<double>(i) * (width + BUTTON_GAP);
            buttons[i]->setGeometry(
                fromBottomLeft(x, cursorY - BUTTON_HEIGHT, width, BUTTON_HEIGHT, WINDOW_HEIGHT));
        }
        cursorY -= 42;
    };
    auto makeButton = [&](const QString& title, void (MainWindowController::*signal)()) {
        auto* button = new QPushButton(title, window);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, signal);
        return button;
    };

    addSectionLabel(QStringLiteral("Service"));
    startButton = makeButton(QStringLiteral("Start"), &MainWindowController::startRequested);
    stopButton = makeButton(QStringLiteral("Stop"), &MainWindowController::stopRequested);
    restartButton = makeButton(QStringLiteral("Restart"), &MainWindowController::restartRequested);
    addRow({startButton, stopButton, restartButton});

    addSectionLabel(QStringLiteral("Logs"));
    addRow({makeButton(QStringLiteral("View Logs"), &MainWindowController::viewLogsRequested),
            makeButton(QStringLiteral("Save Logs to\u2026"),
                       &MainWindowController::saveLogsRequested)});

    addSectionLabel(QStringLiteral("Configuration"));
    settingsButton =
        makeButton(QStringLiteral("Settings\u2026"), &MainWindowController::settingsRequested);
    addRow({settingsButton,
            makeButton(QStringLiteral("Run Doctor"), &MainWindowController::runDoctorRequested)});

    addSectionLabel(QStringLiteral("Maintenance"));
    initializeButton = makeButton(QStringLiteral("Initialize Database"),
                                  &MainWindowController::initializeRequested);
    addRow({initializeButton, makeButton(QStringLiteral("Uninstall\u2026"),
                                         &MainWindowController::uninstallRequested)});

    auto* closeButton = new QPushButton(QStringLiteral("Close"), window);
    closeButton->setAutoDefault(false);
    closeButton->setGeometry(fromBottomLeft(370, 20, 90, 30, WINDOW_HEIGHT));
    connect(closeButton, &QPushButton::clicked, this, &MainWindowController::closeWindow);
}

}  // namespace tarvex

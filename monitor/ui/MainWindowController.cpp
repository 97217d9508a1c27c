#include "monitor/ui/MainWindowController.h"
#include "monitor/ui/StatusTexts.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>

#include "monitor/ui/AboutDialog.h"
#include "monitor/ui/StatusIcon.h"
#include "monitor/ui/WindowLayout.h"

namespace tarvex {

namespace {

constexpr int WINDOW_MARGIN = 20;
constexpr int CONTENT_WIDTH = 440;
constexpr int BUTTON_GAP = 8;
constexpr int BUTTON_HEIGHT = 30;
constexpr int CLOSE_BUTTON_GAP = 100;  // from the last row down to Close
constexpr char POSITION_KEY[] = "mainWindow/position";
const QColor UNKNOWN_DOT_COLOUR(0x8E, 0x8E, 0x93);

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

// Closing only hides: the window and its controls live as long as their controller. Where the
// user puts it is kept for the next run.
class MainWindow : public QWidget {
public:
    MainWindow() = default;

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        hide();
    }
    void moveEvent(QMoveEvent* event) override {
        QWidget::moveEvent(event);
        if (isVisible()) {
            QSettings().setValue(QLatin1String(POSITION_KEY), pos());
        }
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

void MainWindowController::addSharedActions(const QList<QAction*>& actions) {
    sharedActions_ += actions;
    if (window != nullptr) {
        window->addActions(actions);
    }
}

void MainWindowController::update(const TarvexStatus& status, bool locked) {
    if (window == nullptr) {
        return;
    }
    const ServiceState state = status.state();
    statusDot->setColour(stateColour(state));
    statusDot->setAccessibleName(tr("Status: %1").arg(summaryText(status)));
    statusTitleLabel->setText(statusLineText(status));
    statusDetailLabel->setText(
        tr("PID %1  ·  Port %2").arg(withDash(status.pid), withDash(status.port)));
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
    window->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(window, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        emit contextMenuRequested(window->mapToGlobal(position));
    });

    // At the default font the layout gives the designed 480 x 500 window; a larger font or a
    // longer text makes it grow, and the user cannot resize it.
    auto* column = new QVBoxLayout(window);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->setContentsMargins(WINDOW_MARGIN, WINDOW_MARGIN, WINDOW_MARGIN, WINDOW_MARGIN);
    column->setSpacing(0);
    column->addWidget(buildStatusCard());
    column->addSpacing(14);

    auto addSection = [&](const QString& heading, std::initializer_list<QPushButton*> buttons) {
        QLabel* label = makeScaledLabel(heading.toUpper(), 10, QFont::Bold, 14);
        useSecondaryTextColour(*label);
        column->addWidget(label);
        column->addSpacing(8);
        column->addLayout(makeButtonRow(buttons, BUTTON_GAP, BUTTON_HEIGHT));
        column->addSpacing(12);
    };
    auto makeButton = [&](const QString& title, void (MainWindowController::*signal)()) {
        auto* button = new QPushButton(title, window);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, signal);
        return button;
    };

    startButton = makeButton(tr("Start"), &MainWindowController::startRequested);
    stopButton = makeButton(tr("Stop"), &MainWindowController::stopRequested);
    restartButton = makeButton(tr("Restart"), &MainWindowController::restartRequested);
    addSection(tr("Service"), {startButton, stopButton, restartButton});
    addSection(tr("Logs"),
               {makeButton(tr("View Logs"), &MainWindowController::viewLogsRequested),
                makeButton(tr("Save Logs to…"), &MainWindowController::saveLogsRequested)});
    settingsButton = makeButton(tr("Settings…"), &MainWindowController::settingsRequested);
    addSection(
        tr("Configuration"),
        {settingsButton, makeButton(tr("Run Doctor"), &MainWindowController::runDoctorRequested)});
    initializeButton =
        makeButton(tr("Initialize Database"), &MainWindowController::initializeRequested);
    addSection(tr("Maintenance"),
               {initializeButton,
                makeButton(tr("Uninstall…"), &MainWindowController::uninstallRequested)});
    // Between the last section and Close: why the helper cannot be reached, when it cannot. The
    // box keeps the designed gap while the notice is hidden and grows with a longer one.
    auto* noticeBox = new QWidget(window);
    noticeBox->setMinimumHeight(CLOSE_BUTTON_GAP - 12);
    auto* noticeColumn = new QVBoxLayout(noticeBox);
    noticeColumn->setContentsMargins(0, 0, 0, 10);
    noticeLabel = new QLabel(noticeBox);
    noticeLabel->setObjectName(QStringLiteral("helperNotice"));
    noticeLabel->setAccessibleName(tr("Helper problem"));
    noticeLabel->setWordWrap(true);
    noticeLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    noticeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    noticeLabel->hide();
    noticeColumn->addWidget(noticeLabel);
    noticeColumn->addStretch(1);
    column->addWidget(noticeBox);

    auto* closeButton = new QPushButton(tr("Close"), window);
    closeButton->setAutoDefault(false);
    connect(closeButton, &QPushButton::clicked, this, &MainWindowController::closeWindow);
    closeButton->setMinimumSize(90, BUTTON_HEIGHT);

    auto* aboutButton = new QPushButton(tr("About"), window);
    aboutButton->setObjectName(QStringLiteral("aboutButton"));
    aboutButton->setAutoDefault(false);
    aboutButton->setMinimumSize(90, BUTTON_HEIGHT);
    connect(aboutButton, &QPushButton::clicked, this, &MainWindowController::showAbout);

    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(aboutButton);
    bottomRow->addStretch(1);
    bottomRow->addWidget(closeButton);
    column->addLayout(bottomRow);

    addWindowShortcuts();
    window->addActions(sharedActions_);
    placeWindow();
}

QWidget* MainWindowController::buildStatusCard() {
    auto* card = new StatusCard(window);
    card->setObjectName(QStringLiteral("statusCard"));
    card->setAccessibleName(tr("Service status"));
    card->setMinimumWidth(CONTENT_WIDTH);
    auto* row = new QHBoxLayout(card);
    row->setContentsMargins(18, 0, 14, 0);
    row->setSpacing(12);

    statusDot = new StatusDot(card);
    statusDot->setFixedSize(16, 16);
    statusDot->setAccessibleName(tr("Status: %1").arg(tr("Unknown")));
    row->addWidget(statusDot, 0, Qt::AlignVCenter);

    auto* lines = new QVBoxLayout;
    lines->setContentsMargins(0, 12, 0, 16);
    lines->setSpacing(4);
    statusTitleLabel = makeScaledLabel(tr("Unknown"), 16, QFont::DemiBold, 22, card);
    statusDetailLabel = makeScaledLabel(tr("PID %1  ·  Port %2").arg(withDash({}), withDash({})),
                                        12, QFont::Normal, 18, card);
    useSecondaryTextColour(*statusDetailLabel);
    lines->addWidget(statusTitleLabel);
    lines->addWidget(statusDetailLabel);
    row->addLayout(lines, 1);
    return card;
}

// Escape, Ctrl+W and the platform's own close keys hide the window, as its close box does.
void MainWindowController::addWindowShortcuts() {
    QList<QKeySequence> keys = {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)};
    for (const QKeySequence& platformKeys : QKeySequence::keyBindings(QKeySequence::Close)) {
        if (!keys.contains(platformKeys)) {
            keys.append(platformKeys);
        }
    }
    auto* shortcut = new QShortcut(window);
    shortcut->setKeys(keys);
    connect(shortcut, &QShortcut::activated, this, &MainWindowController::closeWindow);
}

// Back where the user left it, if that place is still on a screen; centred otherwise.
void MainWindowController::placeWindow() {
    window->adjustSize();
    const QVariant saved = QSettings().value(QLatin1String(POSITION_KEY));
    if (saved.canConvert<QPoint>()) {
        const QRect frame(saved.toPoint(), window->size());
        for (const QScreen* screen : QGuiApplication::screens()) {
            if (screen->availableGeometry().contains(frame)) {
                window->move(frame.topLeft());
                return;
            }
        }
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        window->move(available.center() - QPoint(window->width() / 2, window->height() / 2));
    }
}

void MainWindowController::showAbout() {
    if (window == nullptr) {
        return;
    }
    if (about_ == nullptr) {
        about_ = new AboutDialog(window);
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
}

}  // namespace tarvex

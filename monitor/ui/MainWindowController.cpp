#include "monitor/ui/MainWindowController.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>

#include <functional>

#include "monitor/ui/AboutDialog.h"
#include "monitor/ui/CommandActions.h"
#include "monitor/ui/StatusIcon.h"
#include "monitor/ui/StatusModel.h"
#include "monitor/ui/WindowLayout.h"

namespace tarvex {

namespace {

constexpr int WINDOW_MARGIN = 20;
constexpr int CONTENT_WIDTH = 440;
constexpr int BUTTON_GAP = 8;
constexpr int BUTTON_HEIGHT = 30;
constexpr int CLOSE_BUTTON_GAP = 100;  // from the last row down to Close
constexpr char GEOMETRY_KEY[] = "mainWindow/geometry";

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
    explicit MainWindow(std::function<void()> close) : close_(std::move(close)) {}

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        close_();
    }
    void moveEvent(QMoveEvent* event) override {
        QWidget::moveEvent(event);
        if (isVisible()) {
            QSettings().setValue(QLatin1String(GEOMETRY_KEY), saveGeometry());
        }
    }
    // The window grows with a notice or a longer text after it was placed; the part that would
    // leave the screen moves back onto it.
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (!isVisible() || screen() == nullptr) {
            return;
        }
        const QRect available = screen()->availableGeometry();
        const QRect frame = frameGeometry();
        const int dx = qMin(0, available.right() - frame.right());
        const int dy = qMin(0, available.bottom() - frame.bottom());
        if (dx != 0 || dy != 0) {
            move(qMax(available.left(), x() + dx), qMax(available.top(), y() + dy));
        }
    }

private:
    std::function<void()> close_;
};

QString withDash(const std::string& text) {
    return text.empty() ? QStringLiteral("\u2014") : QString::fromStdString(text);
}

}  // namespace

StatusDot::StatusDot(QWidget* parent)
    : QWidget(parent), colour_(stateColour(ShownState::unknown)) {}

void StatusDot::setColour(const QColor& colour, bool hollow) {
    colour_ = colour;
    hollow_ = hollow;
    QWidget::update();
}

void StatusDot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (hollow_) {
        constexpr qreal ringWidth = 2.0;
        painter.setPen(QPen(colour_, ringWidth));
        painter.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
        return;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour_);
    painter.drawEllipse(QRectF(rect()));
}

MainWindowController::MainWindowController(const StatusModel& model, const CommandActions& actions,
                                           QObject* parent)
    : QObject(parent), model_(model), actions_(actions) {
    connect(&model_, &StatusModel::changed, this, &MainWindowController::showModel);
}

MainWindowController::~MainWindowController() = default;

void MainWindowController::showWindow() {
    if (!window_) {
        buildWindow();
    }
    // show() leaves a minimised window where it is; the user asked to see it.
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void MainWindowController::closeWindow() {
    if (window_ && window_->isVisible()) {
        window_->hide();
        emit closed();
    }
}

// The card shows the service's last status (an operation's own line stays in the tray), or, where
// that is not known, why.
void MainWindowController::showModel() {
    if (!window_ || !model_.hasStatus()) {
        return;
    }
    const TarvexStatus& status = model_.status();
    const ShownState state = model_.state();
    statusDot_->setColour(stateColour(state), stateDrawnHollow(state));
    statusTitleLabel_->setText(model_.stateLine());
    statusDot_->setAccessibleName(model_.stateLine());
    const bool known = isServiceState(state);
    const QString lastSeen = model_.lastSeenLine();
    statusDetailLabel_->setText(
        known ? tr("PID %1  ·  Port %2").arg(withDash(status.pid), withDash(status.port))
              : (lastSeen.isEmpty() ? model_.reason() : lastSeen));
    noticeLabel_->setText(model_.explanation());
    keepLongestWordWhole(*noticeLabel_);
    noticeLabel_->setVisible(!known);
}

void MainWindowController::buildWindow() {
    window_ = std::make_unique<MainWindow>([this] { closeWindow(); });
    QWidget* window = window_.get();
    window->setWindowTitle(QStringLiteral("tarvex Monitor"));
    window->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(window, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        emit contextMenuRequested(window_->mapToGlobal(position));
    });

    // At the default font the layout gives the designed 480 x 500 window; a larger font or a
    // longer text makes it grow, and the user cannot resize it.
    auto* column = new QVBoxLayout(window);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->setContentsMargins(WINDOW_MARGIN, WINDOW_MARGIN, WINDOW_MARGIN, WINDOW_MARGIN);
    column->setSpacing(0);
    column->addWidget(buildStatusCard());
    column->addSpacing(14);

    auto addSection = [&](const QString& heading, std::initializer_list<Command> commands) {
        QLabel* label = makeScaledLabel(heading.toUpper(), 10, QFont::Bold, 14);
        label->setForegroundRole(QPalette::PlaceholderText);
        column->addWidget(label);
        column->addSpacing(8);
        auto* row = new QHBoxLayout;
        row->setSpacing(BUTTON_GAP);
        for (Command command : commands) {
            auto* button = new QPushButton(window);
            button->setMinimumHeight(BUTTON_HEIGHT);
            button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            bindButton(*button, *actions_.action(command));
            row->addWidget(button, 1);
        }
        column->addLayout(row);
        column->addSpacing(12);
    };
    addSection(tr("Service"), {Command::start, Command::stop, Command::restart});
    addSection(tr("Logs"), {Command::viewLogs, Command::saveLogs});
    addSection(tr("Configuration"), {Command::settings, Command::doctor});
    addSection(tr("Maintenance"), {Command::initialize, Command::uninstall});
    // Between the last section and Close: why the service's state is not known, when it is not.
    // The box keeps the designed gap while the notice is hidden and grows with a longer one.
    auto* noticeBox = new QWidget(window);
    noticeBox->setMinimumHeight(CLOSE_BUTTON_GAP - 12);
    auto* noticeColumn = new QVBoxLayout(noticeBox);
    noticeColumn->setContentsMargins(0, 0, 0, 10);
    noticeLabel_ = new QLabel(noticeBox);
    noticeLabel_->setObjectName(QStringLiteral("statusNotice"));
    noticeLabel_->setWordWrap(true);
    noticeLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    noticeLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    noticeLabel_->hide();
    noticeColumn->addWidget(noticeLabel_);
    noticeColumn->addStretch(1);
    column->addWidget(noticeBox);

    // Buttons outside a dialog are no default buttons: Return does not press them.
    auto addBottomButton = [&](const QString& text, const char* name, auto slot) {
        auto* button = new QPushButton(text, window);
        button->setObjectName(QLatin1String(name));
        button->setMinimumSize(90, BUTTON_HEIGHT);
        connect(button, &QPushButton::clicked, this, slot);
        return button;
    };
    QPushButton* closeButton =
        addBottomButton(tr("Close"), "closeButton", &MainWindowController::closeWindow);
    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(
        addBottomButton(tr("About"), "aboutButton", &MainWindowController::showAbout));
    bottomRow->addStretch(1);
    bottomRow->addWidget(closeButton);
    column->addLayout(bottomRow);

    addWindowShortcuts();
    // Settings and Quit keep their keys while this window has the focus.
    window->addActions({actions_.action(Command::settings), actions_.action(Command::quit)});
    placeWindow();
    showModel();
}

QWidget* MainWindowController::buildStatusCard() {
    auto* card = new StatusCard(window_.get());
    card->setObjectName(QStringLiteral("statusCard"));
    card->setAccessibleName(tr("Service status"));
    card->setMinimumWidth(scaledWidth(CONTENT_WIDTH, card->font()));
    auto* row = new QHBoxLayout(card);
    row->setContentsMargins(18, 0, 14, 0);
    row->setSpacing(12);

    statusDot_ = new StatusDot(card);
    statusDot_->setObjectName(QStringLiteral("statusDot"));
    statusDot_->setFixedSize(16, 16);
    statusDot_->setAccessibleName(model_.stateLine());
    row->addWidget(statusDot_, 0, Qt::AlignVCenter);

    auto* lines = new QVBoxLayout;
    lines->setContentsMargins(0, 12, 0, 16);
    lines->setSpacing(4);
    statusTitleLabel_ = makeScaledLabel(tr("Unknown"), 16, QFont::DemiBold, 22, card);
    statusTitleLabel_->setObjectName(QStringLiteral("statusTitle"));
    statusDetailLabel_ = makeScaledLabel(tr("PID %1  ·  Port %2").arg(withDash({}), withDash({})),
                                         12, QFont::Normal, 18, card);
    statusDetailLabel_->setObjectName(QStringLiteral("statusDetail"));
    statusDetailLabel_->setForegroundRole(QPalette::PlaceholderText);
    lines->addWidget(statusTitleLabel_);
    lines->addWidget(statusDetailLabel_);
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
    auto* shortcut = new QShortcut(window_.get());
    shortcut->setKeys(keys);
    connect(shortcut, &QShortcut::activated, this, &MainWindowController::closeWindow);
}

// Back where the user left it (Qt moves it onto a screen should that place be on none any more);
// centred the first time.
void MainWindowController::placeWindow() {
    QWidget* window = window_.get();
    const bool restored =
        window->restoreGeometry(QSettings().value(QLatin1String(GEOMETRY_KEY)).toByteArray());
    window->adjustSize();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!restored && screen != nullptr) {
        window->move(screen->availableGeometry().center() - window->rect().center());
    }
}

void MainWindowController::showAbout() {
    if (!window_) {
        return;
    }
    if (about_ == nullptr) {
        about_ = new AboutDialog(window_.get());
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
}

}  // namespace tarvex

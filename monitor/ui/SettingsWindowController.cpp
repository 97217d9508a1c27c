#include "monitor/ui/SettingsWindowController.h"

#include <QCheckBox>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>

#include <utility>

#include "monitor/host/Installation.h"

namespace tarvex {

namespace {

#if defined(Q_OS_MACOS)
constexpr char kSwitchTitle[] = "Start automatically when macOS boots";
#else
constexpr char kSwitchTitle[] = "Start automatically when the computer starts";
#endif

std::string trimmed(const std::string& text) {
    constexpr char kSpace[] = " \t\n\r\v\f";
    const auto first = text.find_first_not_of(kSpace);
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// Frames are given with the origin at the bottom-left of the content area, y upwards.
QRect fromBottomLeft(int x, int y, int width, int height) {
    return {x, SettingsWindowController::WINDOW_HEIGHT - y - height, width, height};
}

}  // namespace

SettingsWindowController::SettingsWindowController(PrivilegedRunner& runner, Alerts& alerts,
                                                   AppHost& app, BootStatusReader readBootStatus,
                                                   QObject* parent)
    : QObject(parent),
      runner_(runner),
      alerts_(alerts),
      app_(app),
      readBootStatus_(std::move(readBootStatus)) {
    if (!readBootStatus_) {
        readBootStatus_ = [this](auto done) { runBootStatusTool(std::move(done)); };
    }
}

// A child of this controller: one still running when the controller goes is ended with it.
void SettingsWindowController::runBootStatusTool(std::function<void(std::string)> done) {
    auto* tool = new QProcess(this);
    tool->setProcessChannelMode(QProcess::MergedChannels);
    auto finish = [tool, done = std::move(done)] {
        tool->disconnect();
        tool->deleteLater();
        done(tool->readAll().toStdString());
    };
    connect(tool, &QProcess::finished, this, finish);
    connect(tool, &QProcess::errorOccurred, this, [tool, finish](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            finish();  // a missing tool reads as nothing, which disables the checkbox
        }
    });
    tool->start(QString::fromStdString(TARVEXCTL), {QStringLiteral("boot-status")});
}

SettingsWindowController::~SettingsWindowController() = default;

void SettingsWindowController::showWindow() {
    if (!window_ || !window_->isVisible()) {
        buildWindow();
    }
    // The application first, then this window above its others.
    app_.activate();
    window_->show();
    window_->raise();
    window_->activateWindow();
    loadBootStartupState();
}

void SettingsWindowController::buildWindow() {
    auto window = std::make_unique<QDialog>();
    window->setWindowTitle("tarvex Settings");
    window->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    window->setFixedSize(WINDOW_WIDTH, WINDOW_HEIGHT);

    auto* monitorHeading = new QLabel(tr("tarvex Monitor"), window.get());
    auto* notifications = new QCheckBox(tr("Show notifications"), window.get());
    notifications->setObjectName(QStringLiteral("showNotificationsSwitch"));
    notifications->setChecked(showNotifications_);
    notifications->setGeometry(fromBottomLeft(16, 164, 428, 22));
    connect(notifications, &QCheckBox::clicked, this, [this](bool on) {
        showNotifications_ = on;
        emit showNotificationsToggled(on);
    });
    auto* login = new QCheckBox(tr("Start tarvex Monitor at login"), window.get());
    login->setObjectName(QStringLiteral("startAtLoginSwitch"));
    login->setChecked(startAtLogin_);
    login->setGeometry(fromBottomLeft(16, 136, 428, 22));
    connect(login, &QCheckBox::clicked, this, &SettingsWindowController::startAtLoginToggled);

    auto* heading = new QLabel("Start at Boot", window.get());
    QFont headingFont = heading->font();
    headingFont.setPointSizeF(13);
    headingFont.setWeight(QFont::DemiBold);
    heading->setFont(headingFont);
    heading->setGeometry(fromBottomLeft(16, 100, 428, 22));
    monitorHeading->setFont(headingFont);
    monitorHeading->setGeometry(fromBottomLeft(16, 196, 428, 22));

    auto* bootSwitch = new QCheckBox(kSwitchTitle, window.get());
    bootSwitch->setGeometry(fromBottomLeft(16, 68, 428, 22));
    bootSwitch->setChecked(false);
    bootSwitch->setEnabled(false);
    // clicked() comes only from the user, never from setChecked().
    connect(bootSwitch, &QCheckBox::clicked, this, &SettingsWindowController::bootStartupToggled);

    auto* label = new QLabel(window.get());
    label->setGeometry(fromBottomLeft(16, 21, 270, 22));
    QPalette labelPalette = label->palette();
    labelPalette.setColor(QPalette::WindowText, labelPalette.color(QPalette::PlaceholderText));
    label->setPalette(labelPalette);

    auto* close = new QPushButton("Close", window.get());
    close->setGeometry(fromBottomLeft(348, 16, 96, 32));
    close->setDefault(true);  // Return presses it
    connect(close, &QPushButton::clicked, this, &SettingsWindowController::closeSettings);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(WINDOW_WIDTH / 2, WINDOW_HEIGHT / 2));
    }

    window_ = std::move(window);  // the previous window, if any, goes with its controls
    bootStartupSwitch_ = bootSwitch;
    statusLabel_ = label;
    notificationsSwitch_ = notifications;
    loginSwitch_ = login;
}

void SettingsWindowController::setMonitorOptions(bool showNotifications, bool startAtLogin) {
    showNotifications_ = showNotifications;
    startAtLogin_ = startAtLogin;
    if (notificationsSwitch_) {
        notificationsSwitch_->setChecked(showNotifications);
    }
    if (loginSwitch_) {
        loginSwitch_->setChecked(startAtLogin);
    }
}

void SettingsWindowController::loadBootStartupState() {
    if (!bootStartupSwitch_) {
        return;
    }
    bootStartupSwitch_->setEnabled(false);
    // The guard drops an answer that arrives after the controller has gone.
    QPointer<SettingsWindowController> guard(this);
    readBootStatus_([guard](std::string output) {
        if (guard) {
            guard->applyLoadedBootStatus(trimmed(output));
        }
    });
}

void SettingsWindowController::applyLoadedBootStatus(const std::string& trimmedOutput) {
    if (bootStartupApplying_ || !bootStartupSwitch_) {
        return;  // a change is in flight: its reply sets the checkbox
    }
    if (trimmedOutput == "enabled" || trimmedOutput == "disabled") {
        bootStartupSwitch_->setChecked(trimmedOutput == "enabled");
        bootStartupSwitch_->setEnabled(true);
    } else {
        bootStartupSwitch_->setChecked(false);
        bootStartupSwitch_->setEnabled(false);
    }
}

void SettingsWindowController::bootStartupToggled(bool requestedOn) {
    if (bootStartupApplying_) {
        return;
    }
    bootStartupApplying_ = true;
    if (bootStartupSwitch_) {
        bootStartupSwitch_->setEnabled(false);
    }
    if (statusLabel_) {
        statusLabel_->setText(requestedOn ? "Enabling boot startup..."
                                          : "Disabling boot startup...");
    }
    QPointer<SettingsWindowController> guard(this);
    runner_.run(requestedOn ? "enable-boot" : "disable-boot", {},
                [guard, requestedOn](bool success, const std::string&) {
                    if (guard) {
                        guard->finishChange(requestedOn, success);
                    }
                });
}

void SettingsWindowController::finishChange(bool requestedOn, bool success) {
    bootStartupApplying_ = false;
    // The fields are read now: a window reopened meanwhile gets the reply.
    if (bootStartupSwitch_) {
        bootStartupSwitch_->setChecked(success ? requestedOn : !requestedOn);
        bootStartupSwitch_->setEnabled(true);
    }
    if (success) {
        if (statusLabel_) {
            statusLabel_->setText(requestedOn ? "Boot startup enabled." : "Boot startup disabled.");
        }
        return;
    }
    if (statusLabel_) {
        statusLabel_->setText("Failed to change boot startup.");
    }
    app_.activate();
    alerts_.runModal(
        AlertSpec{"Failed to change boot startup", logDetailsText(), AlertStyle::warning, {}});
}

void SettingsWindowController::closeSettings() {
    if (window_) {
        window_->close();
    }
}

}  // namespace tarvex

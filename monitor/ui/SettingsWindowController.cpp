#include "monitor/ui/SettingsWindowController.h"
#include "monitor/ui/StatusTexts.h"

#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <optional>
#include <utility>

#include "monitor/host/Installation.h"
#include "monitor/ui/AuthorizationAlert.h"
#include "monitor/ui/FailureDetails.h"
#include "monitor/ui/PlatformTexts.h"
#include "monitor/ui/StatusModel.h"
#include "monitor/ui/WindowLayout.h"
#include "shared/base/Utf8.h"

namespace tarvex {

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
    window->setWindowTitle(tr("tarvex Settings"));
    window->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);

    // At the default font this is the designed 460 x 238 window; larger fonts and longer texts
    // make it grow rather than cut a text.
    auto* column = new QVBoxLayout(window.get());
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->setContentsMargins(16, 20, 16, 16);
    column->setSpacing(0);

    auto addHeading = [&](const QString& text) {
        column->addWidget(makeScaledLabel(text, DESIGN_FONT_POINTS, QFont::DemiBold, 22));
        column->addSpacing(10);
    };
    auto addSwitch = [&](const QString& text, const char* name, bool checked, int spaceBelow) {
        auto* box = new QCheckBox(text, window.get());
        box->setObjectName(QLatin1String(name));
        box->setMinimumSize(428, 22);
        box->setChecked(checked);
        column->addWidget(box);
        column->addSpacing(spaceBelow);
        return box;
    };

    addHeading(tr("tarvex Monitor"));
    QCheckBox* notifications =
        addSwitch(tr("Show notifications"), "showNotificationsSwitch", showNotifications_, 6);
    connect(notifications, &QCheckBox::clicked, this, [this](bool on) {
        showNotifications_ = on;
        emit showNotificationsToggled(on);
    });
    QCheckBox* login =
        addSwitch(tr("Start tarvex Monitor at login"), "startAtLoginSwitch", startAtLogin_, 14);
    connect(login, &QCheckBox::clicked, this, &SettingsWindowController::startAtLoginToggled);

    addHeading(tr("Start at Boot"));
    QCheckBox* bootSwitch = addSwitch(bootSwitchTitle(), "bootStartupSwitch", false, 20);
    bootSwitch->setEnabled(false);
    // toggled() comes from every way of ticking the box, a screen reader's toggle action
    // included; the code's own setChecked() calls block it.
    connect(bootSwitch, &QCheckBox::toggled, this, &SettingsWindowController::bootStartupToggled);

    auto* label = new QLabel(window.get());
    label->setObjectName(QStringLiteral("statusLabel"));
    label->setAccessibleDescription(tr("Boot startup feedback"));
    label->setMinimumSize(270, 22);
    label->setForegroundRole(QPalette::PlaceholderText);

    auto* close = new QPushButton(tr("Close"), window.get());
    close->setMinimumSize(96, 32);
    close->setDefault(true);  // Return presses it
    connect(close, &QPushButton::clicked, this, &SettingsWindowController::closeSettings);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(62);
    bottom->addWidget(label, 1);
    bottom->addWidget(close);
    column->addLayout(bottom);

    window->addActions(sharedActions_);
    window->adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window->move(screen->availableGeometry().center() - window->rect().center());
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
        // Tool output may end in any Unicode space or line break, a no-break space included.
        if (guard) {
            guard->applyLoadedBootStatus(std::string(trimCodePoints(output, isUnicodeWhiteSpace)));
        }
    });
}

void SettingsWindowController::applyLoadedBootStatus(const std::string& trimmedOutput) {
    if (bootStartupApplying_ || !bootStartupSwitch_) {
        return;  // a change is in flight: its reply sets the checkbox
    }
    // Anything but the two known answers leaves the checkbox off and disabled.
    const bool known = trimmedOutput == "enabled" || trimmedOutput == "disabled";
    const QSignalBlocker quiet(bootStartupSwitch_);
    bootStartupSwitch_->setChecked(trimmedOutput == "enabled");
    bootStartupSwitch_->setEnabled(known && holdReason_.isEmpty());
    if (known && !holdReason_.isEmpty()) {
        setFeedback(holdReason_);
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
    const QString feedbackBefore = statusLabel_ ? statusLabel_->text() : QString();
    setFeedback(requestedOn ? tr("Enabling boot startup...") : tr("Disabling boot startup..."));
    // The helper may ask for a password first; the window stays live while it does.
    QPointer<SettingsWindowController> guard(this);
    runner_.runPrivileged(
        requestedOn ? QStringLiteral("enable-boot") : QStringLiteral("disable-boot"),
        [guard, requestedOn, feedbackBefore](const HelperAnswer& answer) {
            if (guard) {
                guard->finishChange(requestedOn, answer, feedbackBefore);
            }
        });
}

void SettingsWindowController::finishChange(bool requestedOn, const HelperAnswer& answer,
                                            const QString& feedbackBefore) {
    const bool success = answer.success;
    bootStartupApplying_ = false;
    // The fields are read now: a window reopened meanwhile gets the reply.
    if (bootStartupSwitch_) {
        const QSignalBlocker quiet(bootStartupSwitch_);
        bootStartupSwitch_->setChecked(success ? requestedOn : !requestedOn);
        bootStartupSwitch_->setEnabled(holdReason_.isEmpty());
    }
    if (success) {
        setFeedback(requestedOn ? tr("Boot startup enabled.") : tr("Boot startup disabled."));
        return;
    }
    const QString title = tr("Failed to change boot startup");
    const char* command = requestedOn ? "enable-boot" : "disable-boot";
    std::optional<AlertSpec> alert = AlertSpec{
        title, logDetails(), AlertStyle::warning, {}, FailureDetails::forReply(command, answer)};
    if (const auto refusal = authorizationRefusal(command, success, answer.output.toStdString())) {
        alert = authorizationAlert(*refusal, title, AlertStyle::warning);
    }
    if (!alert) {  // the password dialog was dismissed: everything as it was
        setFeedback(feedbackBefore);
        return;
    }
    setFeedback(tr("Failed to change boot startup."));
    app_.activate();
    alerts_.runModal(*alert);
}

void SettingsWindowController::follow(const StatusModel& model) {
    connect(&model, &StatusModel::changed, this,
            [this, &model] { holdBootSetting(model.reason()); });
}

void SettingsWindowController::holdBootSetting(const QString& reason) {
    if (reason == holdReason_) {
        return;
    }
    const bool wasHeld = !holdReason_.isEmpty();
    holdReason_ = reason;
    if (!bootStartupSwitch_ || bootStartupApplying_) {
        return;  // a change in flight ends by its own reply
    }
    if (reason.isEmpty()) {
        if (wasHeld) {
            setFeedback({});
        }
        loadBootStartupState();
    } else {
        bootStartupSwitch_->setEnabled(false);
        setFeedback(reason);
    }
}

void SettingsWindowController::setFeedback(const QString& text) {
    if (statusLabel_) {
        statusLabel_->setText(text);
    }
}

void SettingsWindowController::addSharedActions(const QList<QAction*>& actions) {
    sharedActions_ += actions;
    if (window_) {
        window_->addActions(actions);
    }
}

void SettingsWindowController::closeSettings() {
    if (window_) {
        window_->close();
    }
}

}  // namespace tarvex

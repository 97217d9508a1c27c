#include <QAction>
#include <QPointer>

#include "monitor/controller/TarvexMenuBarApp.h"
#include "monitor/host/HostFiles.h"
#include "monitor/host/Installation.h"
#include "monitor/host/Probes.h"
#include "monitor/ui/StatusIcon.h"

namespace tarvex {

namespace {

constexpr int kAppRemovalIntervalMs = 2000;

void stopTimers(TarvexMenuBarApp& app) {
    if (app.appRemovalTimer) {
        app.appRemovalTimer->stop();
    }
    if (app.statusTimer) {
        app.statusTimer->stop();
    }
}

void quitQuietly(TarvexMenuBarApp& app) {
    stopTimers(app);
    app.seams().app.terminate();
}

void uninstallAutomatically(TarvexMenuBarApp& app) {
    // Set before the request goes out, so no later look can send a second one.
    app.uninstallingAfterAppRemoval = true;
    stopTimers(app);
    if (app.statusItem) {
        app.statusItem->setIcon(makeStatusIcon(ServiceState::stopping));
    }
    if (app.statusMenuItem) {
        app.statusMenuItem->setText(TarvexMenuBarApp::tr("tarvex: Uninstalling…"));
    }
    QPointer<TarvexMenuBarApp> guard(&app);
    AppHost& host = app.seams().app;  // outlives the controller
    app.seams().runner.run(
        "uninstall", {}, [guard, &host](bool success, const std::string& output) {
            if (!success && guard) {
                guard->showResult(false, output,
                                  TarvexMenuBarApp::tr("Automatic Uninstall Failed").toStdString());
            }
            host.terminate();
        });
}

}  // namespace

void TarvexMenuBarApp::startAppRemovalMonitor() {
    delete appRemovalTimer;
    appRemovalTimer = new QTimer(this);
    appRemovalTimer->setInterval(kAppRemovalIntervalMs);
    appRemovalTimer->setSingleShot(false);
    connect(appRemovalTimer, &QTimer::timeout, this, [this] {
        modalDeferral_->runWhenIdle(appRemovalTimer, [this] { checkAppRemoval(); });
    });
    appRemovalTimer->start();
    checkAppRemoval();
}

void TarvexMenuBarApp::checkAppRemoval() {
    if (uninstallingAfterAppRemoval) {
        return;
    }
    const bool inTrash = pathIsInTrash(seams_.bundle.bundlePath());
    if (!launchedFromInstalledApp) {
        if (inTrash) {
            uninstallAutomatically(*this);
        }
        return;
    }
    const bool installedBundleExists = pathExists(MONITOR_APP_PATH);
    if (inTrash) {
        uninstallAutomatically(*this);
        return;
    }
    if (installedBundleExists) {
        installedBundleMissingAtLastLook_ = false;
        return;
    }
    // An update replaces the bundle and leaves it missing for a moment; only a bundle that is
    // still gone at the next look counts as removed.
    if (!installedBundleMissingAtLastLook_) {
        installedBundleMissingAtLastLook_ = true;
        return;
    }
    if (tarvexctlOperationInProgress() || tarvexCoreInstallMissing()) {
        quitQuietly(*this);
        return;
    }
    uninstallAutomatically(*this);
}

}  // namespace tarvex

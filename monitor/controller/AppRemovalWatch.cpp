#include <QAction>
#include <QPointer>

#include "monitor/controller/TarvexMenuBarApp.h"
#include "monitor/host/HostFiles.h"
#include "monitor/host/Installation.h"
#include "monitor/host/Probes.h"
#include "monitor/ui/FailureDetails.h"

namespace tarvex {

void TarvexMenuBarApp::quitQuietly() {
    stopTimers();
    seams_.app.terminate();
}

void TarvexMenuBarApp::uninstallAutomatically() {
    // Set before the request goes out, so no later look can send a second one.
    uninstallingAfterAppRemoval_ = true;
    stopTimers();
    model_.showOperation(ServiceState::stopping, tr("tarvex: Uninstalling…"));
    QPointer<TarvexMenuBarApp> guard(this);
    AppHost& host = seams_.app;  // outlives the controller
    seams_.runner.runPrivileged(QStringLiteral("uninstall"), [guard, &host](HelperAnswer answer) {
        if (!answer.success && guard) {
            guard->commands_.showResult(false, tr("Automatic Uninstall Failed"),
                                        FailureDetails::forReply("uninstall", answer));
        }
        host.terminate();
    });
}

void TarvexMenuBarApp::startAppRemovalMonitor() {
    appRemovalTimer_.start();
    checkAppRemoval();
}

void TarvexMenuBarApp::checkAppRemoval() {
    if (uninstallingAfterAppRemoval_) {
        return;
    }
    const bool inTrash = pathIsInTrash(seams_.bundle.bundlePath());
    if (!launchedFromInstalledApp_) {
        if (inTrash) {
            uninstallAutomatically();
        }
        return;
    }
    const bool installedBundleExists = pathExists(MONITOR_APP_PATH);
    if (inTrash) {
        uninstallAutomatically();
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
        quitQuietly();
        return;
    }
    uninstallAutomatically();
}

}  // namespace tarvex

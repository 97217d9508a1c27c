#pragma once

#include "monitor/desktop/LoginItem.h"
#include "monitor/desktop/Notifier.h"
#include "monitor/desktop/Seams.h"
#include "monitor/privileged/PrivilegedRunner.h"

namespace tarvex {

// Everything outside the process that the controller reaches. main() wires the real ones.
struct MonitorSeams {
    PrivilegedRunner& runner;
    Authorizer& authorizer;
    Alerts& alerts;
    SaveDialog& saveDialog;
    TerminalOpener& terminal;
    FileViewer& fileViewer;
    Clock& clock;
    BundleLocator& bundle;
    AppHost& app;
    Notifier& notifier;
    LoginItem& loginItem;
};

}  // namespace tarvex

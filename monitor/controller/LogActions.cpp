#include "monitor/controller/TarvexMenuBarApp.h"

// Placeholder bodies until the log actions land.
namespace tarvex {
void TarvexMenuBarApp::viewLogs() {}
void TarvexMenuBarApp::saveLogs() {}
void TarvexMenuBarApp::runDoctor() {}
}  // namespace tarvex

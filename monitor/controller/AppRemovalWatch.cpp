#include "monitor/controller/TarvexMenuBarApp.h"

// Placeholder bodies until the app-removal watch lands.
namespace tarvex {
void TarvexMenuBarApp::startAppRemovalMonitor() {}
void TarvexMenuBarApp::checkAppRemoval() {}
}  // namespace tarvex

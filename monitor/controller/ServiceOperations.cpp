#include "monitor/controller/TarvexMenuBarApp.h"

// Placeholder bodies until the service operations land.
namespace tarvex {
void TarvexMenuBarApp::showResult(bool, const std::string&, const std::string&) {}
bool TarvexMenuBarApp::confirmAction(const std::string&, const std::string&) { return false; }
void TarvexMenuBarApp::startService() {}
void TarvexMenuBarApp::stopService() {}
void TarvexMenuBarApp::restartService() {}
void TarvexMenuBarApp::setupService() {}
void TarvexMenuBarApp::uninstallService() {}
}  // namespace tarvex

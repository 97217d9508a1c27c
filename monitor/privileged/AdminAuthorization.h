#pragma once

#include <memory>

#include "monitor/privileged/PrivilegedRunner.h"

namespace tarvex {

// The authorizer of the platform the application was built for. On Linux it asks nothing:
// the root helper's own polkit check brings up the desktop's authentication agent with the
// operation's text (only a root caller may set that text), and its reply says how the check
// ended. A dialog of the monitor's own would be a second one, and would hold the event loop.
// On macOS it is the SecurityFrameworkAuthorizer.
std::unique_ptr<Authorizer> makePlatformAuthorizer();

}  // namespace tarvex

#pragma once

#include <QString>

// Texts that name the platform's own tools and words, one file per platform
// (PlatformTexts_<platform>.cpp; HelperReachability::remedy is defined there too).
namespace tarvex {

// The title of the settings switch that starts the service with the computer.
QString bootSwitchTitle();

}  // namespace tarvex

// Stand-in for the SDK's Availability.h: the deployment target the compiler was given, and the
// version names Qt's headers compare it with.
#pragma once

#define __MAC_10_6 1060
#define __MAC_10_15 101500
#define __MAC_11_0 110000
#define __MAC_12_0 120000
#define __MAC_13_0 130000
#define __MAC_OS_X_VERSION_MIN_REQUIRED __ENVIRONMENT_MAC_OS_X_VERSION_MIN_REQUIRED__
#define __MAC_OS_X_VERSION_MAX_ALLOWED __MAC_13_0

// Redeclares a C library function that macOS lacks as unavailable, so that a macOS file that
// calls it fails here as it would fail against the real SDK.
#pragma once

#define TARVEX_LINUX_ONLY(declaration) \
    extern "C" declaration __attribute__((unavailable("not declared on macOS")))

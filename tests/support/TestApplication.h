#pragma once

// One widget application for the whole test binary, made on first use and kept until the
// process ends: Qt allows a single application object, and widgets need one.

#include <QApplication>

#include <cstdlib>

namespace tarvex::testing {

inline void ensureTestApplication() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    static int argc = 1;
    static char name[] = "tarvex-tests";
    static char* argv[] = {name, nullptr};
    // Headless even when the test runner did not pass the platform along.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    new QApplication(argc, argv);
}

}  // namespace tarvex::testing

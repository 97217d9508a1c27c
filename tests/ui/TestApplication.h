#pragma once

#include <QApplication>

// One QApplication for the whole test binary, made on first use.
inline void ensureTestApplication() {
    if (QApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "tarvex-ui-tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
}

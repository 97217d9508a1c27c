#pragma once

#include <QPushButton>
#include <QWidget>

#include "monitor/ui/MainWindowController.h"

namespace tarvex::testing {

// A control of the main window by its object name; null before the window is first shown.
template <class Widget = QPushButton>
Widget* windowChild(const MainWindowController& controller, const char* name) {
    QWidget* window = controller.window();
    return window != nullptr ? window->findChild<Widget*>(QLatin1String(name)) : nullptr;
}

}  // namespace tarvex::testing

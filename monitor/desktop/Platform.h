#pragma once

#include <Qt>

// What differs between the desktops the monitor runs on, one file per platform
// (Platform_<platform>.cpp).
namespace tarvex::platform {

// The modifier Qt reports for the key the user calls Control (on macOS Qt reports that key as
// Meta, Control being the Command key there).
Qt::KeyboardModifier controlKey();

// Whether the status menu stays attached to the tray icon. Desktop trays show an attached menu
// themselves on a right click (StatusNotifierItem hosts read it over D-Bus) and still report a
// left click; on macOS an attached menu would take over every click.
bool attachesTrayMenu();

// Whether the system's own save dialog takes a folder given as the destination (macOS's does);
// Qt's own dialog, and the Linux desktops' native ones, would open that folder instead.
bool nativeSaveDialogTakesFolders();

}  // namespace tarvex::platform

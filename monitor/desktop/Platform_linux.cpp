#include "monitor/desktop/Platform.h"

namespace tarvex::platform {

Qt::KeyboardModifier controlKey() {
    return Qt::ControlModifier;
}

bool attachesTrayMenu() {
    return true;
}

bool nativeSaveDialogTakesFolders() {
    return false;
}

}  // namespace tarvex::platform

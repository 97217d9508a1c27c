#include "monitor/desktop/Platform.h"

namespace tarvex::platform {

Qt::KeyboardModifier controlKey() {
    return Qt::MetaModifier;
}

bool attachesTrayMenu() {
    return false;
}

bool nativeSaveDialogTakesFolders() {
    return true;
}

}  // namespace tarvex::platform

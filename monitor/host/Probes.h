#pragma once

#include <string_view>

namespace tarvex {

// True if a whole component of `path` is ".Trash" or ".Trashes". The path is taken literally.
bool pathIsInTrash(std::string_view path);

// True if the control tool's lock file names a live process (one of another user counts) and
// its folder is the tool's own: a real folder owned by root (with a prefix: or by us).
bool tarvexctlOperationInProgress();

// True if both the control tool and the installation root are gone.
bool tarvexCoreInstallMissing();

// True if the uninstall marker exists in the service's run directory.
bool uninstallMarkerExists();

}  // namespace tarvex

#include "monitor/privileged/AdminAuthorization.h"

namespace tarvex {

bool authorizeAdmin(const QString& prompt) {
    return makePlatformAuthorizer()->authorizeAdmin(prompt);
}

}  // namespace tarvex

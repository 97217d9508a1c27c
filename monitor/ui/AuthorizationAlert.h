#pragma once

#include <optional>
#include <string>

#include "monitor/desktop/Seams.h"
#include "shared/AuthorizationText.h"

namespace tarvex {

// What the user is told when the helper's authorization check did not let a request through.
// Nothing after a dismissed dialog: that was the user's own answer. When nobody could ask for
// the password (no authentication agent, no polkitd, the time limit), the alert says so and
// what to install or start. When the rules said no, the request's own failure alert, titled
// `failureTitle` in `failureStyle`, gives that reason in its details.
std::optional<AlertSpec> authorizationAlert(AuthorizationRefusal refusal,
                                            const QString& failureTitle, AlertStyle failureStyle);

}  // namespace tarvex

#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvex {

// The password dialog's text for a command. The root helper hands it to polkit with its check;
// the monitor shows it where it asks itself (macOS, the demo), translated in this context.
std::string_view promptFor(std::string_view command);
inline constexpr const char* PASSWORD_PROMPT_CONTEXT = "PasswordPrompt";

// How an authorization check ended that did not let a request through.
enum class AuthorizationRefusal {
    refused,      // the rules say no, or the caller cannot be named
    noAgent,      // a password was needed and no authentication agent could ask for it
    dismissed,    // the user closed the dialog
    unavailable,  // no answer: no system bus, no polkitd, the time limit
};

// The helper's reply text for such a request: NOT_AUTHORIZED, the command and the cause.
std::string notAuthorizedText(std::string_view command, AuthorizationRefusal refusal);

// The refusal that a reply to `command` reports, if it is one.
std::optional<AuthorizationRefusal> authorizationRefusal(std::string_view command, bool success,
                                                         std::string_view output);

}  // namespace tarvex

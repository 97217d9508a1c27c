#include "shared/AuthorizationText.h"

#include <array>
#include <utility>

#include "shared/HelperProtocol.h"

// Marks a text for the monitor's catalogues (lupdate reads it as QT_TRANSLATE_NOOP) without
// bringing Qt into the helper.
#define TARVEX_TRANSLATABLE(context, text) text

namespace tarvex {

namespace {

constexpr std::array<std::pair<AuthorizationRefusal, std::string_view>, 4> CAUSES = {{
    {AuthorizationRefusal::refused, AUTHORIZATION_REFUSED},
    {AuthorizationRefusal::noAgent, AUTHORIZATION_NO_AGENT},
    {AuthorizationRefusal::dismissed, AUTHORIZATION_DISMISSED},
    {AuthorizationRefusal::unavailable, AUTHORIZATION_UNAVAILABLE},
}};

}  // namespace

std::string_view promptFor(std::string_view command) {
    if (command == "start") {
        return TARVEX_TRANSLATABLE(
            "PasswordPrompt", "tarvex Monitor needs your password to start the database service.");
    }
    if (command == "stop") {
        return TARVEX_TRANSLATABLE(
            "PasswordPrompt", "tarvex Monitor needs your password to stop the database service.");
    }
    if (command == "restart") {
        return TARVEX_TRANSLATABLE(
            "PasswordPrompt",
            "tarvex Monitor needs your password to restart the database service.");
    }
    if (command == "initialize") {
        return TARVEX_TRANSLATABLE("PasswordPrompt",
                                   "tarvex Monitor needs your password to initialize the "
                                   "database. All current data will be erased.");
    }
    if (command == "uninstall") {
        return TARVEX_TRANSLATABLE(
            "PasswordPrompt",
            "tarvex Monitor needs your password to uninstall tarvex and remove all data.");
    }
    // Only the helper asks for these, so the monitor has no translations of them.
    if (command == "enable-boot" || command == "disable-boot") {
        return "tarvex Monitor needs your password to change whether the database service "
               "starts at boot.";
    }
    return "tarvex Monitor needs your password to change the database service's setup.";
}

std::string notAuthorizedText(std::string_view command, AuthorizationRefusal refusal) {
    std::string text = std::string(NOT_AUTHORIZED) + std::string(command);
    for (const auto& [cause, words] : CAUSES) {
        if (cause == refusal) {
            text += words;
        }
    }
    return text;
}

std::optional<AuthorizationRefusal> authorizationRefusal(std::string_view command, bool success,
                                                         std::string_view output) {
    if (success) {
        return std::nullopt;
    }
    for (const auto& [cause, words] : CAUSES) {
        if (output == notAuthorizedText(command, cause)) {
            return cause;
        }
    }
    return std::nullopt;
}

}  // namespace tarvex

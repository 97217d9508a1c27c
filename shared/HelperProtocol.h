#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// The one request: a control command for the tool. The frame can carry arguments, but the
// helper refuses any request that does: the tool runs with the command alone.
struct HelperRequest {
    std::string command;
    std::vector<std::string> args;

    friend bool operator==(const HelperRequest&, const HelperRequest&) = default;
};

struct HelperReply {
    bool success = false;
    std::string output;

    friend bool operator==(const HelperReply&, const HelperReply&) = default;
};

// The only command names the helper runs; compared exactly (case-sensitive, nothing trimmed).
inline constexpr std::array<std::string_view, 10> ALLOWED_COMMANDS = {
    "start",  "stop",   "restart",     "setup",        "initialize",
    "config", "status", "enable-boot", "disable-boot", "uninstall",
};

bool isAllowedCommand(std::string_view command);

inline constexpr std::string_view COMMAND_NOT_ALLOWED = "Command not allowed: ";
inline constexpr std::string_view MALFORMED_REQUEST = "Malformed request";
inline constexpr std::string_view ARGUMENTS_NOT_ALLOWED = "Arguments not allowed";
inline constexpr std::string_view NOT_AUTHORIZED = "Not authorized: ";  // + the command
// Every refusal of an authorization ends in how the check ended, so that the monitor can stay
// silent on a dismissed dialog and explain the rest. From pkcheck's exit status: 1 refused by
// the policy, 2 no authentication agent could ask, 3 the dialog was dismissed; anything else
// (no system bus, no polkitd, the time limit) is unavailable.
inline constexpr std::string_view AUTHORIZATION_REFUSED = " (refused)";
inline constexpr std::string_view AUTHORIZATION_NO_AGENT = " (no authentication agent)";
inline constexpr std::string_view AUTHORIZATION_DISMISSED = " (dismissed)";
inline constexpr std::string_view AUTHORIZATION_UNAVAILABLE = " (authorization unavailable)";
inline constexpr std::string_view REFUSING_TO_RUN = "Refusing to run ";  // + path: reason
// The helper's time limits: a status run, any other run, and an authorization check (a
// password may be being typed). On expiry the tool's process group is ended and the caller
// gets a failure. The monitor never gives up on an answer sooner than these allow.
inline constexpr std::chrono::seconds STATUS_RUN_LIMIT{30};
inline constexpr std::chrono::minutes OPERATION_RUN_LIMIT{10};
inline constexpr std::chrono::minutes AUTHORIZATION_CHECK_LIMIT{2};

inline constexpr std::string_view CANNOT_CONNECT = "Cannot connect to helper service";
inline constexpr std::string_view CONNECTION_LOST = "Connection to helper service lost";

// The helper's side of the contract. `withReply` is called exactly once per request.
class TarvexHelperProtocol {
public:
    using Reply = std::function<void(bool success, std::string output)>;

    virtual ~TarvexHelperProtocol() = default;
    virtual void execute(const std::string& command, const std::vector<std::string>& args,
                         Reply withReply) = 0;
};

}  // namespace tarvex

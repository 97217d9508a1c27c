#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "shared/HelperProtocol.h"

namespace tarvex {

// Frames on the helper's socket. Integers are unsigned 32-bit big-endian.
//   request: "TVXQ", count n (1..64), then n strings, each a length (0..65536) and its bytes;
//            string 0 is the command, the rest are the args.
//   reply:   "TVXR", one byte success (0 or 1), a length, then the output bytes.
inline constexpr std::string_view REQUEST_MAGIC = "TVXQ";
inline constexpr std::string_view REPLY_MAGIC = "TVXR";
inline constexpr std::uint32_t MAX_REQUEST_STRINGS = 64;
inline constexpr std::uint32_t MAX_REQUEST_STRING_LENGTH = 65536;
inline constexpr std::size_t MAX_REPLY_OUTPUT = 16u * 1024u * 1024u;

std::string encodeRequest(const HelperRequest& request);
std::string encodeReply(const HelperReply& reply);

enum class DecodeStatus {
    complete,   // a whole, valid frame; `consumed` bytes were used
    needMore,   // valid so far, but the frame is not complete yet
    malformed,  // can never become a valid frame
};

struct RequestDecode {
    DecodeStatus status = DecodeStatus::needMore;
    HelperRequest request;
    std::size_t consumed = 0;
};

struct ReplyDecode {
    DecodeStatus status = DecodeStatus::needMore;
    HelperReply reply;
    std::size_t consumed = 0;
};

// Both decoders take everything received so far and may be called again as more arrives.
// A request string that is not valid UTF-8 or holds a NUL byte makes the frame malformed.
RequestDecode decodeRequest(std::string_view bytes);
ReplyDecode decodeReply(std::string_view bytes);

}  // namespace tarvex

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shared/HelperProtocol.h"

namespace tarvex {

// Frames on the helper's socket. Integers are unsigned 32-bit big-endian.
//   request: "TVXQ", count n (at least 1), then n strings, each a length and its bytes;
//            string 0 is the command, the rest are the args. The whole frame is at most
//            MAX_REQUEST_BYTES.
//   reply:   "TVXR", one byte success (0 or 1), a length, then the output bytes.
inline constexpr std::string_view REQUEST_MAGIC = "TVXQ";
inline constexpr std::string_view REPLY_MAGIC = "TVXR";
// The longest valid request is the header and one allowed command (24 bytes); this leaves room
// for the refusals of a wrong command or of arguments to name them, and nothing a caller could
// use to make the root helper hold memory: a count or length that would take the frame past it
// makes the frame malformed as soon as it is read.
inline constexpr std::size_t MAX_REQUEST_BYTES = 256;
inline constexpr std::size_t MAX_REPLY_OUTPUT = 16u * 1024u * 1024u;

std::string encodeRequest(const HelperRequest& request);
std::string encodeReply(const HelperReply& reply);

enum class DecodeStatus {
    complete,   // a whole, valid frame; `consumed` bytes were used
    needMore,   // valid so far, but the frame is not complete yet
    malformed,  // can never become a valid frame
};

struct ReplyDecode {
    DecodeStatus status = DecodeStatus::needMore;
    HelperReply reply;
    std::size_t consumed = 0;
};

// Receives one request frame as it arrives, in pieces of any size: the magic, the count, then
// each length and its bytes. Each byte is copied once where it belongs and each string is
// checked once when it is whole, so receiving costs time linear in the frame's size, and
// nothing is kept beyond what is known to be valid so far.
class RequestReceiver {
public:
    // Takes bytes; answers how many were used, which is fewer than given only when the frame
    // ended (complete or malformed) before them.
    std::size_t feed(std::string_view bytes);
    DecodeStatus status() const { return status_; }
    std::size_t consumed() const { return consumed_; }
    // The request, once complete.
    HelperRequest take();

private:
    enum class Stage { magic, count, length, text };
    bool fail();
    bool finishWord(std::size_t framePosition);  // the 4 bytes of the count or a length are in
                                                 // `word_`, which ends at `framePosition`
    bool finishString();

    Stage stage_ = Stage::magic;
    DecodeStatus status_ = DecodeStatus::needMore;
    std::uint32_t word_ = 0;
    std::size_t wordBytes_ = 0;
    std::uint32_t count_ = 0;
    std::uint32_t length_ = 0;
    std::vector<std::string> strings_;
    std::size_t consumed_ = 0;
};

// Takes everything received so far and may be called again as more arrives.
ReplyDecode decodeReply(std::string_view bytes);

}  // namespace tarvex

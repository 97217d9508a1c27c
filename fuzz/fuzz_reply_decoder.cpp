// Feeds arbitrary bytes to the monitor's reply decoder: whatever answers on the helper's socket
// must not crash the monitor or produce a reply that was not sent.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "shared/WireFormat.h"

namespace {

using tarvex::DecodeStatus;

void checkRawBytes(std::string_view bytes) {
    const tarvex::ReplyDecode decoded = tarvex::decodeReply(bytes);
    if (decoded.status == DecodeStatus::complete) {
        FUZZ_CHECK(decoded.consumed >= 9 && decoded.consumed <= bytes.size());
        FUZZ_CHECK(decoded.reply.output.size() == decoded.consumed - 9);
        FUZZ_CHECK(tarvex::encodeReply(decoded.reply) == bytes.substr(0, decoded.consumed));
        const auto shorter = tarvex::decodeReply(bytes.substr(0, decoded.consumed - 1));
        FUZZ_CHECK(shorter.status == DecodeStatus::needMore);
    } else if (decoded.status == DecodeStatus::malformed) {
        std::string longer(bytes);
        longer.append(64, '\0');
        FUZZ_CHECK(tarvex::decodeReply(longer).status == DecodeStatus::malformed);
    } else {
        FUZZ_CHECK(decoded.consumed == 0);
    }
}

// Any reply the helper can send (output at most the cap) decodes to itself.
void checkRoundTrip(std::string_view bytes) {
    tarvex::HelperReply reply;
    reply.success = !bytes.empty() && (static_cast<unsigned char>(bytes.front()) & 1u) != 0;
    reply.output.assign(bytes.empty() ? bytes : bytes.substr(1));
    const std::string frame = tarvex::encodeReply(reply);
    const tarvex::ReplyDecode decoded = tarvex::decodeReply(frame);
    FUZZ_CHECK(decoded.status == DecodeStatus::complete);
    FUZZ_CHECK(decoded.consumed == frame.size());
    FUZZ_CHECK(decoded.reply == reply);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkRawBytes(bytes);
    checkRoundTrip(bytes);
    return 0;
}

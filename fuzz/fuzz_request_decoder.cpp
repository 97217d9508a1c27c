// Feeds arbitrary bytes to the helper's request decoder, the first code that reads what any
// local user writes to a root process.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "shared/WireFormat.h"
#include "shared/base/Utf8.h"

namespace {

using tarvex::DecodeStatus;

bool isAcceptableString(const std::string& text) {
    return text.find('\0') == std::string::npos && tarvex::isValidUtf8(text);
}

struct Received {
    DecodeStatus status;
    std::size_t consumed;
    tarvex::HelperRequest request;
};

// The whole buffer fed to a receiver at once.
Received decodeRequest(std::string_view bytes) {
    tarvex::RequestReceiver receiver;
    receiver.feed(bytes);
    return {receiver.status(), receiver.consumed(), receiver.take()};
}

// What the helper relies on when it hands a decoded request to the tool.
void checkDecodedRequest(const tarvex::HelperRequest& request) {
    FUZZ_CHECK(tarvex::encodeRequest(request).size() <= tarvex::MAX_REQUEST_BYTES);
    FUZZ_CHECK(isAcceptableString(request.command));
    for (const auto& arg : request.args) {
        FUZZ_CHECK(isAcceptableString(arg));
    }
}

void checkRawBytes(std::string_view bytes) {
    const Received decoded = decodeRequest(bytes);
    switch (decoded.status) {
        case DecodeStatus::complete: {
            FUZZ_CHECK(decoded.consumed >= 12 && decoded.consumed <= bytes.size());
            checkDecodedRequest(decoded.request);
            // The frame is canonical: encoding what was decoded gives back the same bytes.
            FUZZ_CHECK(tarvex::encodeRequest(decoded.request) == bytes.substr(0, decoded.consumed));
            // One byte short of a complete frame is never complete nor malformed.
            const auto shorter = decodeRequest(bytes.substr(0, decoded.consumed - 1));
            FUZZ_CHECK(shorter.status == DecodeStatus::needMore);
            // Whatever follows the frame does not change it.
            std::string longer(bytes.substr(0, decoded.consumed));
            longer += "TVXQ";
            const auto extended = decodeRequest(longer);
            FUZZ_CHECK(extended.status == DecodeStatus::complete &&
                       extended.consumed == decoded.consumed &&
                       extended.request == decoded.request);
            break;
        }
        case DecodeStatus::malformed: {
            // Malformed stays malformed however much more arrives: the helper may answer at once.
            std::string longer(bytes);
            longer.append(70000, 'a');
            FUZZ_CHECK(decodeRequest(longer).status == DecodeStatus::malformed);
            break;
        }
        case DecodeStatus::needMore:
            FUZZ_CHECK(decoded.consumed == bytes.size());
            break;
    }
}

// Builds a request from the input (strings separated by 0xFF, which never occurs in UTF-8) and
// checks that every acceptable request survives the trip through the wire unchanged.
void checkRoundTrip(std::string_view bytes) {
    tarvex::HelperRequest request;
    bool first = true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = bytes.find('\xFF', start);
        std::string piece(bytes.substr(start, end == std::string_view::npos ? end : end - start));
        if (first) {
            request.command = std::move(piece);
            first = false;
        } else {
            request.args.push_back(std::move(piece));
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    const std::string frame = tarvex::encodeRequest(request);
    bool acceptable =
        frame.size() <= tarvex::MAX_REQUEST_BYTES && isAcceptableString(request.command);
    for (const auto& arg : request.args) {
        acceptable = acceptable && isAcceptableString(arg);
    }
    const Received decoded = decodeRequest(frame);
    if (acceptable) {
        FUZZ_CHECK(decoded.status == DecodeStatus::complete);
        FUZZ_CHECK(decoded.consumed == frame.size());
        FUZZ_CHECK(decoded.request == request);
    } else {
        FUZZ_CHECK(decoded.status == DecodeStatus::malformed);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkRawBytes(bytes);
    checkRoundTrip(bytes);
    return 0;
}

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "shared/WireFormat.h"

namespace tarvex {
namespace {

std::string u32(std::uint32_t value) {
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFFu));
    }
    return out;
}

// A request frame built by hand, so that the codec is checked against the layout itself.
std::string rawRequest(const std::vector<std::string>& strings) {
    std::string out = "TVXQ" + u32(static_cast<std::uint32_t>(strings.size()));
    for (const auto& s : strings) {
        out += u32(static_cast<std::uint32_t>(s.size())) + s;
    }
    return out;
}

// The whole buffer fed to a receiver at once.
struct Received {
    DecodeStatus status;
    std::size_t consumed;
    HelperRequest request;
};
Received decodeRequest(std::string_view bytes) {
    RequestReceiver receiver;
    receiver.feed(bytes);
    return {receiver.status(), receiver.consumed(), receiver.take()};
}

TEST(WireRequestTest, EncodesTheDocumentedLayout) {
    const HelperRequest request{"status", {"a", ""}};
    EXPECT_EQ(encodeRequest(request), rawRequest({"status", "a", ""}));
}

TEST(WireRequestTest, RoundTrips) {
    const HelperRequest requests[] = {
        {"status", {}},
        {"", {}},
        {"start", {"--now", "", "caf\xC3\xA9 \xE2\x80\xA6"}},
        {"x", std::vector<std::string>(30, "arg")},
        {std::string(MAX_REQUEST_BYTES - 12, 'c'), {}},
    };
    for (const HelperRequest& request : requests) {
        const std::string frame = encodeRequest(request);
        const Received decoded = decodeRequest(frame);
        ASSERT_EQ(decoded.status, DecodeStatus::complete);
        EXPECT_EQ(decoded.request, request);
        EXPECT_EQ(decoded.consumed, frame.size());
    }
}

TEST(WireRequestTest, IncrementalDecodingNeedsMoreUntilTheLastByte) {
    const std::string frame = encodeRequest({"restart", {"one", "two"}});
    for (std::size_t n = 0; n < frame.size(); ++n) {
        EXPECT_EQ(decodeRequest(std::string_view(frame).substr(0, n)).status,
                  DecodeStatus::needMore)
            << n;
    }
    const std::string withTail = frame + "TVXQ";
    const Received decoded = decodeRequest(withTail);
    EXPECT_EQ(decoded.status, DecodeStatus::complete);
    EXPECT_EQ(decoded.consumed, frame.size());
}

TEST(WireRequestTest, TheWholeFrameIsAtMostTheLimit) {
    // 8 header bytes and 62 empty strings of 4 bytes each; 12 bytes and a 244-byte command.
    EXPECT_EQ(decodeRequest(rawRequest(std::vector<std::string>(62, ""))).status,
              DecodeStatus::complete);
    EXPECT_EQ(decodeRequest(rawRequest(std::vector<std::string>(63, ""))).status,
              DecodeStatus::malformed);
    EXPECT_EQ(decodeRequest(rawRequest({std::string(244, 'x')})).status, DecodeStatus::complete);
    EXPECT_EQ(decodeRequest(rawRequest({std::string(245, 'x')})).status, DecodeStatus::malformed);
}

TEST(WireRequestTest, MalformedFrames) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"wrong magic", "TVXR" + u32(1) + u32(0)},
        {"wrong first byte", "X"},
        {"lower-case magic", "tvxq"},
        {"zero strings", "TVXQ" + u32(0)},
        {"63 strings, header only", "TVXQ" + u32(63)},
        {"huge count", "TVXQ" + u32(0xFFFFFFFFu)},
        {"length over the limit, header only", "TVXQ" + u32(1) + u32(245)},
        {"a 4 MiB argument, refused at its length",
         "TVXQ" + u32(2) + u32(6) + "status" + u32(4u << 20)},
        {"no room left for the second length", "TVXQ" + u32(2) + u32(241)},
        {"huge length", "TVXQ" + u32(2) + u32(1) + "s" + u32(0xFFFFFFFFu)},
        {"invalid UTF-8", rawRequest({"sta\xFFtus"})},
        {"surrogate in an argument", rawRequest({"start", "\xED\xA0\x80"})},
        {"truncated sequence", rawRequest({"start", "\xE2\x80"})},
        {"NUL in the command", rawRequest({std::string("sta\0tus", 7)})},
        {"NUL in an argument", rawRequest({"start", std::string(1, '\0')})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decodeRequest(c.bytes).status, DecodeStatus::malformed) << c.name;
    }
}

TEST(WireReplyTest, RoundTripsAndLayout) {
    const HelperReply replies[] = {
        {true, ""}, {false, "Command not allowed: x"}, {true, std::string(100000, 'o')}};
    for (const HelperReply& reply : replies) {
        const std::string frame = encodeReply(reply);
        EXPECT_EQ(frame.substr(0, 5), std::string("TVXR") + (reply.success ? '\1' : '\0'));
        EXPECT_EQ(frame.substr(5, 4), u32(static_cast<std::uint32_t>(reply.output.size())));
        const ReplyDecode decoded = decodeReply(frame);
        ASSERT_EQ(decoded.status, DecodeStatus::complete);
        EXPECT_EQ(decoded.reply, reply);
        EXPECT_EQ(decoded.consumed, frame.size());
    }
}

TEST(WireReplyTest, IncrementalDecoding) {
    const std::string frame = encodeReply({true, "Port: open\n"});
    for (std::size_t n = 0; n < frame.size(); ++n) {
        EXPECT_EQ(decodeReply(std::string_view(frame).substr(0, n)).status, DecodeStatus::needMore)
            << n;
    }
    EXPECT_EQ(decodeReply(frame).status, DecodeStatus::complete);
}

TEST(WireReplyTest, MalformedReplies) {
    EXPECT_EQ(decodeReply("TVXQ").status, DecodeStatus::malformed);
    EXPECT_EQ(decodeReply(std::string("TVXR\2") + u32(0)).status, DecodeStatus::malformed);
    EXPECT_EQ(decodeReply(std::string("TVXR\1") + u32(0xFFFFFFFFu)).status,
              DecodeStatus::malformed);
    // The helper's cap on tool output fits; a frame announcing far more does not.
    EXPECT_EQ(decodeReply(std::string("TVXR\1") + u32(MAX_REPLY_OUTPUT)).status,
              DecodeStatus::needMore);
    EXPECT_EQ(decodeReply(std::string("TVXR\1") + u32(MAX_REPLY_OUTPUT + 65536)).status,
              DecodeStatus::malformed);
}

TEST(WireRequestTest, AFrameSplitAtAnyByteDecodesOnceAndLeavesWhatFollows) {
    const HelperRequest request{"restart", {"caf\xC3\xA9", ""}};
    const std::string frame = encodeRequest(request);
    const std::string stream = frame + "TVXQ";
    for (std::size_t cut = 0; cut <= frame.size(); ++cut) {
        RequestReceiver receiver;
        EXPECT_EQ(receiver.feed(std::string_view(stream).substr(0, cut)), cut);
        ASSERT_EQ(receiver.status(),
                  cut == frame.size() ? DecodeStatus::complete : DecodeStatus::needMore)
            << cut;
        EXPECT_EQ(receiver.feed(std::string_view(stream).substr(cut)), frame.size() - cut) << cut;
        ASSERT_EQ(receiver.status(), DecodeStatus::complete) << cut;
        EXPECT_EQ(receiver.consumed(), frame.size());
        EXPECT_EQ(receiver.take(), request) << cut;
    }
    RequestReceiver byteByByte;
    for (const char byte : frame) {
        ASSERT_EQ(byteByByte.status(), DecodeStatus::needMore);
        EXPECT_EQ(byteByByte.feed(std::string_view(&byte, 1)), 1u);
    }
    EXPECT_EQ(byteByByte.take(), request);
}

}  // namespace
}  // namespace tarvex

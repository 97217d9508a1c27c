#include "shared/WireFormat.h"

#include <algorithm>

#include "shared/base/Utf8.h"

namespace tarvex {

namespace {

void appendU32(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>((value >> 24) & 0xFFu));
    out.push_back(static_cast<char>((value >> 16) & 0xFFu));
    out.push_back(static_cast<char>((value >> 8) & 0xFFu));
    out.push_back(static_cast<char>(value & 0xFFu));
}

// Reads a big-endian u32 at `pos`; false when fewer than four bytes remain.
bool readU32(std::string_view bytes, std::size_t& pos, std::uint32_t& value) {
    if (bytes.size() - pos < 4) {
        return false;
    }
    value = 0;
    for (int i = 0; i < 4; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[pos++]);
    }
    return true;
}

// Checks as much of the magic as has arrived.
bool magicMatchesSoFar(std::string_view bytes, std::string_view magic) {
    const std::size_t n = std::min(bytes.size(), magic.size());
    return bytes.substr(0, n) == magic.substr(0, n);
}

}  // namespace

bool isAllowedCommand(std::string_view command) {
    return std::find(ALLOWED_COMMANDS.begin(), ALLOWED_COMMANDS.end(), command) !=
           ALLOWED_COMMANDS.end();
}

std::string encodeRequest(const HelperRequest& request) {
    std::string out(REQUEST_MAGIC);
    appendU32(out, static_cast<std::uint32_t>(1 + request.args.size()));
    appendU32(out, static_cast<std::uint32_t>(request.command.size()));
    out += request.command;
    for (const auto& arg : request.args) {
        appendU32(out, static_cast<std::uint32_t>(arg.size()));
        out += arg;
    }
    return out;
}

std::string encodeReply(const HelperReply& reply) {
    std::string out(REPLY_MAGIC);
    out.push_back(reply.success ? '\1' : '\0');
    appendU32(out, static_cast<std::uint32_t>(reply.output.size()));
    out += reply.output;
    return out;
}

RequestDecode decodeRequest(std::string_view bytes) {
    RequestDecode result;
    if (!magicMatchesSoFar(bytes, REQUEST_MAGIC)) {
        result.status = DecodeStatus::malformed;
        return result;
    }
    if (bytes.size() < REQUEST_MAGIC.size()) {
        return result;
    }
    std::size_t pos = REQUEST_MAGIC.size();
    std::uint32_t count = 0;
    if (!readU32(bytes, pos, count)) {
        return result;
    }
    if (count < 1 || count > MAX_REQUEST_STRINGS) {
        result.status = DecodeStatus::malformed;
        return result;
    }
    std::vector<std::string> strings;
    strings.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t length = 0;
        if (!readU32(bytes, pos, length)) {
            return result;
        }
        if (length > MAX_REQUEST_STRING_LENGTH) {
            result.status = DecodeStatus::malformed;
            return result;
        }
        if (bytes.size() - pos < length) {
            return result;
        }
        std::string_view text = bytes.substr(pos, length);
        if (text.find('\0') != std::string_view::npos || !isValidUtf8(text)) {
            result.status = DecodeStatus::malformed;
            return result;
        }
        strings.emplace_back(text);
        pos += length;
    }
    result.status = DecodeStatus::complete;
    result.consumed = pos;
    result.request.command = std::move(strings.front());
    result.request.args.assign(std::make_move_iterator(strings.begin() + 1),
                               std::make_move_iterator(strings.end()));
    return result;
}

ReplyDecode decodeReply(std::string_view bytes) {
    ReplyDecode result;
    if (!magicMatchesSoFar(bytes, REPLY_MAGIC)) {
        result.status = DecodeStatus::malformed;
        return result;
    }
    if (bytes.size() < REPLY_MAGIC.size() + 1) {
        return result;
    }
    std::size_t pos = REPLY_MAGIC.size();
    const auto flag = static_cast<unsigned char>(bytes[pos++]);
    if (flag > 1) {
        result.status = DecodeStatus::malformed;
        return result;
    }
    std::uint32_t length = 0;
    if (!readU32(bytes, pos, length)) {
        return result;
    }
    // A little room above the tool-output cap for the helper's own short texts.
    if (length > MAX_REPLY_OUTPUT + 4096) {
        result.status = DecodeStatus::malformed;
        return result;
    }
    if (bytes.size() - pos < length) {
        return result;
    }
    result.status = DecodeStatus::complete;
    result.reply.success = flag == 1;
    result.reply.output.assign(bytes.substr(pos, length));
    result.consumed = pos + length;
    return result;
}

}  // namespace tarvex

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

bool RequestReceiver::fail() {
    status_ = DecodeStatus::malformed;
    strings_.clear();
    return false;
}

bool RequestReceiver::finishWord(std::size_t framePosition) {
    if (stage_ == Stage::count) {
        // Each string needs its length word at least.
        if (word_ < 1 || word_ > (MAX_REQUEST_BYTES - framePosition) / 4) {
            return fail();
        }
        count_ = word_;
        strings_.reserve(count_);
        stage_ = Stage::length;
        return true;
    }
    // This string's bytes and the length words of those still to come must fit.
    const std::size_t wordsToCome = 4 * (count_ - strings_.size() - 1);
    if (word_ > MAX_REQUEST_BYTES - framePosition - wordsToCome) {
        return fail();
    }
    length_ = word_;
    strings_.emplace_back();
    stage_ = Stage::text;
    return length_ > 0 || finishString();
}

bool RequestReceiver::finishString() {
    const std::string& text = strings_.back();
    if (text.find('\0') != std::string::npos || !isValidUtf8(text)) {
        return fail();
    }
    if (strings_.size() == count_) {
        status_ = DecodeStatus::complete;
    } else {
        stage_ = Stage::length;
    }
    return true;
}

std::size_t RequestReceiver::feed(std::string_view bytes) {
    std::size_t used = 0;
    while (used < bytes.size() && status_ == DecodeStatus::needMore) {
        if (stage_ == Stage::text) {
            std::string& text = strings_.back();
            const std::size_t take =
                std::min<std::size_t>(length_ - text.size(), bytes.size() - used);
            text.append(bytes.substr(used, take));
            used += take;
            if (text.size() == length_ && !finishString()) {
                break;
            }
            continue;
        }
        const char byte = bytes[used++];
        if (stage_ == Stage::magic) {
            if (byte != REQUEST_MAGIC[wordBytes_]) {
                fail();
                break;
            }
            if (++wordBytes_ == REQUEST_MAGIC.size()) {
                wordBytes_ = 0;
                stage_ = Stage::count;
            }
            continue;
        }
        word_ = (word_ << 8) | static_cast<unsigned char>(byte);
        if (++wordBytes_ == 4) {
            wordBytes_ = 0;
            const bool ok = finishWord(consumed_ + used);
            word_ = 0;
            if (!ok) {
                break;
            }
        }
    }
    consumed_ += used;
    return used;
}

HelperRequest RequestReceiver::take() {
    HelperRequest request;
    if (status_ != DecodeStatus::complete || strings_.empty()) {
        return request;
    }
    request.command = std::move(strings_.front());
    request.args.assign(std::make_move_iterator(strings_.begin() + 1),
                        std::make_move_iterator(strings_.end()));
    strings_.clear();
    return request;
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

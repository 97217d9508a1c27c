#include "shared/base/Utf8.h"

namespace tarvex {

namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0u) == 0x80u;
}

}  // namespace

std::optional<char32_t> decodeUtf8(std::string_view text, std::size_t& pos) {
    if (pos >= text.size()) {
        return std::nullopt;
    }
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80u) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0u) == 0xC0u) {
        length = 2;
        value = lead & 0x1Fu;
        minimum = 0x80;
    } else if ((lead & 0xF0u) == 0xE0u) {
        length = 3;
        value = lead & 0x0Fu;
        minimum = 0x800;
    } else if ((lead & 0xF8u) == 0xF0u) {
        length = 4;
        value = lead & 0x07u;
        minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() - pos < length) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + i]);
        if (!isContinuation(byte)) {
            return std::nullopt;
        }
        value = (value << 6) | (byte & 0x3Fu);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return std::nullopt;
    }
    pos += length;
    return value;
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        // Plain ASCII runs are the common case; skip them without decoding.
        if (static_cast<unsigned char>(bytes[pos]) < 0x80u) {
            ++pos;
            continue;
        }
        if (!decodeUtf8(bytes, pos)) {
            return false;
        }
    }
    return true;
}

std::size_t utf8PrefixLength(std::string_view bytes, std::size_t limit) {
    if (limit >= bytes.size()) {
        return bytes.size();
    }
    // Step back over continuation bytes to the lead byte of the character that the limit cuts.
    std::size_t cut = limit;
    std::size_t steps = 0;
    while (cut > 0 && steps < 3 && isContinuation(static_cast<unsigned char>(bytes[cut]))) {
        --cut;
        ++steps;
    }
    return cut;
}

bool isSpaceSeparator(char32_t c) {
    return c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

bool isUnicodeWhiteSpace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029 ||
           isSpaceSeparator(c);
}

std::string_view trimCodePoints(std::string_view text, bool (*isTrimmed)(char32_t)) {
    std::size_t first = text.size();
    std::size_t last = 0;  // one past the last kept character
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        const std::optional<char32_t> c = decodeUtf8(text, pos);
        if (!c) {
            ++pos;
        }
        if (!c || !isTrimmed(*c)) {
            first = first < start ? first : start;
            last = pos;
        }
    }
    return first < last ? text.substr(first, last - first) : std::string_view{};
}

}  // namespace tarvex

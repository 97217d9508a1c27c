#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace tarvex {

// Strict UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view bytes);

// Decodes the code point that starts at `pos` and advances `pos` past it. Answers nothing (and
// leaves `pos` alone) at the end of the text or at an invalid sequence.
std::optional<char32_t> decodeUtf8(std::string_view text, std::size_t& pos);

// The largest length <= `limit` that does not cut a multi-byte character in two.
std::size_t utf8PrefixLength(std::string_view bytes, std::size_t limit);

}  // namespace tarvex

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

// The Unicode White_Space property: blanks, tabs and the line breaks (LF, VT, FF, CR, NEL,
// U+2028, U+2029).
bool isUnicodeWhiteSpace(char32_t c);

// General category Zs (the ordinary space, the no-break space, the typographic spaces).
bool isSpaceSeparator(char32_t c);

// `text` without the leading and trailing code points for which `isTrimmed` holds. Bytes that do
// not decode count as ordinary characters, one per byte, so any input is safe.
std::string_view trimCodePoints(std::string_view text, bool (*isTrimmed)(char32_t));

}  // namespace tarvex

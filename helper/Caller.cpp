#include "helper/Caller.h"

#include <algorithm>
#include <charconv>

namespace tarvex {

std::optional<std::uint64_t> parseProcessStartTime(std::string_view stat) {
    const std::size_t close = stat.rfind(')');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view rest = stat.substr(close + 1);
    // Field 3 follows the name; field 22 is the twentieth after it.
    for (int field = 3; field <= 22; ++field) {
        const std::size_t start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos) {
            return std::nullopt;
        }
        rest.remove_prefix(start);
        const std::size_t end = std::min(rest.find(' '), rest.size());
        if (field == 22) {
            std::string_view text = rest.substr(0, end);
            if (!text.empty() && text.back() == '\n') {
                text.remove_suffix(1);
            }
            std::uint64_t value = 0;
            const auto [stop, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (ec != std::errc() || stop != text.data() + text.size() || text.empty()) {
                return std::nullopt;
            }
            return value;
        }
        rest.remove_prefix(end);
    }
    return std::nullopt;
}

}  // namespace tarvex

#pragma once

#include <string>
#include <string_view>

namespace tarvex {

// Quotes a text for a POSIX shell: single quotes around it, every single quote inside written as
// '\'' (close, escaped quote, reopen). Nothing inside single quotes is expanded by the shell.
std::string shellQuote(std::string_view text);

}  // namespace tarvex

// Feeds arbitrary file contents to the key/value reader. The reader takes a path, so each input
// goes through a file in /dev/shm (memory-backed: no disk traffic at fuzzing speed).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "monitor/host/Installation.h"
#include "shared/base/Utf8.h"

namespace {

constexpr std::string_view FALLBACK = "no value\n";  // a value never holds a line feed

const std::string& scratchPath() {
    // Never destroyed, so that the exit handler can still read it.
    static const std::string* const path = [] {
        auto* p = new std::string("/dev/shm/tarvex-fuzz-key-value-" +
                                  std::to_string(static_cast<long>(getpid())));
        std::atexit([] { unlink(scratchPath().c_str()); });
        return p;
    }();
    return *path;
}

std::string readFrom(std::string_view content, std::string_view key) {
    {
        std::ofstream out(scratchPath(), std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    return tarvex::readKeyValue(scratchPath(), key, FALLBACK);
}

bool isBlank(char32_t c) {
    return c == 0x09 || tarvex::isSpaceSeparator(c);
}

// A key that a "key=value" line can name: non-empty, no '=', no LF, no blanks around it and
// not read as a comment.
bool isNameableKey(std::string_view key) {
    return !key.empty() && key.find_first_of("=\n") == std::string_view::npos &&
           key.front() != '#' && key.front() != ';' && tarvex::isValidUtf8(key) &&
           tarvex::trimCodePoints(key, isBlank) == key;
}

void checkValue(std::string_view content, const std::string& value) {
    if (value == FALLBACK) {
        return;
    }
    FUZZ_CHECK(tarvex::isValidUtf8(content));
    FUZZ_CHECK(!value.empty());
    FUZZ_CHECK(value.find('\n') == std::string::npos);
    FUZZ_CHECK(tarvex::trimCodePoints(value, isBlank) == value);
    FUZZ_CHECK(content.find(value) != std::string_view::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);

    const std::string baseDir = readFrom(content, "base-dir");
    checkValue(content, baseDir);

    // Also look up whatever the first line names as its key, so that odd keys get exercised.
    const std::string_view firstLine = content.substr(0, content.find('\n'));
    const std::string_view key = firstLine.substr(0, firstLine.find('='));
    const std::string found = readFrom(content, key);
    checkValue(content, found);

    if (!tarvex::isValidUtf8(content) || !isNameableKey(key)) {
        return 0;
    }
    // The first matching line wins: a line put in front decides, one put behind only counts
    // when nothing matched before it.
    const std::string front = readFrom(std::string(key) + "=front\n" + std::string(content), key);
    FUZZ_CHECK(front == "front");
    const std::string back =
        readFrom(std::string(content) + "\n" + std::string(key) + "=back", key);
    FUZZ_CHECK(back == (found == FALLBACK ? std::string("back") : found));
    return 0;
}

#include "monitor/desktop/LogExport.h"

#include <unistd.h>

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <system_error>

namespace tarvex {

namespace fs = std::filesystem;

namespace {

// `what` holds %1 for the path and %2 for the system's reason.
Result failure(const QString& what, const fs::path& path, const std::error_code& error) {
    return Result::failure(
        what.arg(QString::fromStdString(path.string()), QString::fromStdString(error.message())));
}

// A name beside `target` that nothing occupies yet: ".<name>.<tag>-<pid>-<n>".
fs::path unusedSiblingName(const fs::path& target, const char* tag) {
    static std::atomic<unsigned> counter{0};
    for (;;) {
        fs::path candidate =
            target.parent_path() /
            ("." + target.filename().string() + "." + tag + "-" +
             std::to_string(static_cast<long>(getpid())) + "-" + std::to_string(counter++));
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(candidate, ec))) {
            return candidate;
        }
    }
}

bool isWithin(const fs::path& inner, const fs::path& outer) {
    return std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first ==
           outer.end();
}

void removeQuietly(const fs::path& path) {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

}  // namespace

Result exportLogFolder(const std::string& source, const std::string& destination) {
    std::error_code ec;
    const fs::path from = fs::canonical(source, ec);
    if (ec) {
        return failure(
            QCoreApplication::translate("LogExport", "Could not read the log folder \"%1\": %2."),
            source, ec);
    }
    fs::path to = fs::absolute(destination, ec);
    if (ec) {
        return failure(QCoreApplication::translate("LogExport", "Could not save to \"%1\": %2."),
                       destination, ec);
    }
    to = to.lexically_normal();
    if (!to.has_filename()) {
        to = to.parent_path();
    }
    // Saving into the log folder itself would copy the copy without end, and saving over it
    // would replace the logs with themselves half-way through.
    const fs::path toResolved = fs::weakly_canonical(to, ec);
    if (!ec && isWithin(toResolved, from)) {
        return Result::failure(QCoreApplication::translate(
            "LogExport", "The logs cannot be saved inside the log folder itself."));
    }

    const fs::path partial = unusedSiblingName(to, "partial");
    fs::copy(from, partial, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) {
        removeQuietly(partial);
        return failure(
            QCoreApplication::translate("LogExport", "Could not copy the logs to \"%1\": %2."),
            to.parent_path(), ec);
    }

    const bool destinationExists = fs::exists(fs::symlink_status(to, ec));
    if (!destinationExists) {
        fs::rename(partial, to, ec);
        if (ec) {
            removeQuietly(partial);
            return failure(
                QCoreApplication::translate("LogExport", "Could not save to \"%1\": %2."), to, ec);
        }
        return {};
    }

    // A folder cannot be renamed over a non-empty folder or a file, so the old one steps aside
    // first and comes back if the new one cannot take its place.
    const fs::path aside = unusedSiblingName(to, "old");
    fs::rename(to, aside, ec);
    if (ec) {
        removeQuietly(partial);
        return failure(QCoreApplication::translate("LogExport", "Could not replace \"%1\": %2."),
                       to, ec);
    }
    fs::rename(partial, to, ec);
    if (ec) {
        std::error_code restoreError;
        fs::rename(aside, to, restoreError);
        removeQuietly(partial);
        return failure(QCoreApplication::translate("LogExport", "Could not replace \"%1\": %2."),
                       to, ec);
    }
    removeQuietly(aside);
    return {};
}

}  // namespace tarvex

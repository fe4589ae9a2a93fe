#pragma once
// The settings file on disk: read whole without ever waiting, and replaced whole under the writers' lock.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace veltane::settings {

// Three numbers and the user's own notes stay far below this; anything larger is not a settings file.
inline constexpr std::size_t kLargestSettingsFile = 64 * 1024;

// The text of the file at path, or of the file a symbolic link there leads to. A missing file reads as
// empty and is created empty when createMissing is set. Nothing when the path holds anything but a
// regular file of at most kLargestSettingsFile bytes (a pipe, a device, a folder, a link loop), or when
// it cannot be read.
std::optional<std::string> ReadSettingsFile(const std::string& path, bool createMissing);

// Replaces the file's text with edit(text) as one whole new version, with the file's permissions: through
// a new file in the same folder, flushed to disk, renamed over it, and the folder flushed. A symbolic link
// stays and its target is replaced. A file that the user may not write is not replaced. When anything fails
// on the way, the file stays as it was and the result says why: the failing call's error, or EISDIR for a
// folder, ELOOP or ENOENT for a link that leads in a circle or nowhere, EFBIG for a file over the size and
// ENOTSUP for anything else that is not a regular file.
std::error_code EditSettingsFile(const std::string& path,
                                 const std::function<std::string(std::string_view)>& edit);

// The error of the system call that has just failed, as errno tells it.
std::error_code LastError();

}  // namespace veltane::settings

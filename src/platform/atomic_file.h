// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lyr {

// Who may read a file written: Usual gives a new file the rights the umask leaves and keeps an
// old file's; Private makes a new file the user's alone (0600) and takes every right of others
// from an old one, so that an old file keeps or tightens its mode.
enum class FileAccess { Usual, Private };

// Replaces `path` with `contents` so that a crash or a full disk leaves either the old file or
// the new one, never a mixture: the bytes go to a temporary file in the same directory, are
// flushed to disk, and the temporary file is renamed over `path`. Throws lyr::Exception with
// the system's reason when any step fails; the old file is then untouched.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view contents,
                         FileAccess access = FileAccess::Usual);

// Reads a whole file. Returns nothing when the file does not exist; throws lyr::Exception when
// it exists but cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Throws lyr::Exception "WHAT PATH: the system's reason for `error`" (an errno value).
[[noreturn]] void ThrowFileError(const std::string& what, const std::filesystem::path& path,
                                 int error);

// Keeps a copy of a file that did not load completely beside it (NAME.bad), so that the next
// save does not silently replace it with less than it held. An older copy is replaced.
// Returns the copy's path, or nothing when the copy could not be made.
std::optional<std::filesystem::path> KeepDamagedCopy(const std::filesystem::path& path);

// Moves a file that cannot be read at all (a directory in its place, no permission) out of the
// way, so that a new file can take its name: to NAME.bad (an older copy that is a file is
// replaced), or, when something there refuses it, to the first free NAME.bad.2 .. NAME.bad.9.
// Returns where it went, or nothing when it could not be moved.
std::optional<std::filesystem::path> MoveAside(const std::filesystem::path& path);

}  // namespace lyr

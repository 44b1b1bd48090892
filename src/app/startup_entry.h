// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace lyr {

// The name of the entry that starts the program with the desktop session.
inline constexpr char kStartupEntryName[] = "LyrMessenger";

// The text of a desktop entry (freedesktop.org Desktop Entry format) that starts `target` with
// `arguments`, in `working_directory` when it is not empty, showing `icon` when it is not empty,
// named `name`. Every value is escaped, so any path round-trips.
std::string DesktopEntryText(const std::filesystem::path& target,
                             const std::vector<std::string>& arguments,
                             const std::filesystem::path& working_directory,
                             const std::string& icon, const std::string& name);

// What an autostart entry names to start `executable`: the bare program name for a program
// installed in /usr/bin (found through the search path, as its package's own entry does), the
// whole path otherwise.
std::filesystem::path ProgramForStartupEntry(const std::filesystem::path& executable);

// The icon the package installs into the icon theme.
inline constexpr char kProgramIconName[] = "lyrmessenger";

// Writes that entry as FOLDER/NAME.desktop, atomically, creating the folder when missing; an
// entry already there is replaced. Throws lyr::Exception when the folder is unknown (empty) or
// the file cannot be written.
void CreateShortcut(const std::filesystem::path& folder, const std::filesystem::path& target,
                    const std::vector<std::string>& arguments,
                    const std::filesystem::path& working_directory, const std::string& icon,
                    const std::string& name);

// Removes FOLDER/NAME.desktop. A missing entry or unknown folder is no error; a removal the
// system refuses throws lyr::Exception.
void DeleteShortcut(const std::filesystem::path& folder, const std::string& name);

}  // namespace lyr

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup_entry.h"

#include <system_error>

#include "platform/atomic_file.h"
#include "platform/error.h"

namespace lyr {
namespace {

// The escapes of a string value: backslash and the control characters a line cannot hold.
std::string EscapeValue(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\t':
                escaped += "\\t";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

// One argument of the Exec key: quoted when it holds a reserved character, with the
// characters that stay special inside quotes escaped, and '%' doubled (it starts field codes).
std::string ExecArgument(const std::string& argument) {
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    const bool quote = argument.empty() || argument.find_first_of(kReserved) != std::string::npos;
    std::string text = quote ? "\"" : "";
    for (char c : argument) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) {
            text += '\\';
        }
        text += c == '%' ? std::string("%%") : std::string(1, c);
    }
    return quote ? text + "\"" : text;
}

std::filesystem::path EntryFile(const std::filesystem::path& folder, const std::string& name) {
    return folder / (name + ".desktop");
}

}  // namespace

std::string DesktopEntryText(const std::filesystem::path& target,
                             const std::vector<std::string>& arguments,
                             const std::filesystem::path& working_directory,
                             const std::string& icon, const std::string& name) {
    std::string exec = ExecArgument(target.string());
    for (const std::string& argument : arguments) {
        exec += " " + ExecArgument(argument);
    }
    // TryExec lets the desktop skip the entry once the program is gone.
    std::string text = "[Desktop Entry]\nType=Application\nName=" + EscapeValue(name) +
                       "\nExec=" + EscapeValue(exec) + "\nTryExec=" + EscapeValue(target.string()) +
                       "\n";
    if (!working_directory.empty()) {
        text += "Path=" + EscapeValue(working_directory.string()) + "\n";
    }
    if (!icon.empty()) {
        text += "Icon=" + EscapeValue(icon) + "\n";
    }
    return text + "Terminal=false\n";
}

std::filesystem::path ProgramForStartupEntry(const std::filesystem::path& executable) {
    // An installed program keeps working when the package moves it within the search path; a
    // build elsewhere is known only by where it lies.
    if (executable.parent_path() == "/usr/bin") {
        return executable.filename();
    }
    return executable;
}

void CreateShortcut(const std::filesystem::path& folder, const std::filesystem::path& target,
                    const std::vector<std::string>& arguments,
                    const std::filesystem::path& working_directory, const std::string& icon,
                    const std::string& name) {
    if (folder.empty()) {
        throw Exception("The autostart folder is unknown");
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        throw Exception("Cannot create " + folder.string() + ": " + error.message());
    }
    WriteFileAtomically(EntryFile(folder, name),
                        DesktopEntryText(target, arguments, working_directory, icon, name));
}

void DeleteShortcut(const std::filesystem::path& folder, const std::string& name) {
    if (folder.empty()) {
        return;
    }
    const std::filesystem::path file = EntryFile(folder, name);
    std::error_code error;
    std::filesystem::remove(file, error);
    if (error && error != std::errc::no_such_file_or_directory) {
        throw Exception("Cannot remove " + file.string() + ": " + error.message());
    }
}

}  // namespace lyr

#include "about/LinkLauncher.h"

#include <string_view>

namespace {

constexpr int kLaunchSucceeded = 32; // results above this mean success

struct ErrorText {
    int code;
    std::string_view text;
};

// The shell's documented launch results, in its own words.
constexpr ErrorText kErrorTexts[] = {
    {0, "The operating system is out\nof memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {5, "The operating system denied\naccess to the specified file."},
    {8, "There was not enough memory to complete the operation."},
    {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
    {26, "A sharing violation occurred. "},
    {27, "The filename association is\nincomplete or invalid."},
    {28, "The DDE transaction could not\nbe completed because the request timed out."},
    {29, "The DDE transaction failed."},
    {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
    {31, "There is no application associated\nwith the given filename extension."},
    {32, "The specified dynamic-link library was not found."},
};

} // namespace

std::string BrowserCommandLine(const std::string& registeredCommand, const std::string& address) {
    std::string command = registeredCommand;
    const auto quoted = command.find("\"%1\"");
    const auto bare = command.find("%1");
    if (quoted != std::string::npos) {
        command.erase(quoted);
    } else if (bare != std::string::npos) {
        command.erase(bare);
    }
    command += ' ';
    command += address;
    return command;
}

int OpenUrl(LinkShell& shell, const std::string& address, int show) {
    const int opened = shell.ShellOpen(address, show);
    if (opened > kLaunchSucceeded) return opened;
    std::string fileType;
    if (shell.ReadClassesRootValue(".htm", fileType) != 0) return opened;
    std::string command;
    if (shell.ReadClassesRootValue(fileType + "\\shell\\open\\command", command) != 0) return opened;
    return shell.Run(BrowserCommandLine(command, address), show);
}

std::string LinkErrorText(int code) {
    for (const ErrorText& entry : kErrorTexts)
        if (entry.code == code) return std::string(entry.text);
    return "Unknown Error (" + std::to_string(code) + ") occurred.";
}

std::string LinkErrorMessage(int code) { return "Unable to open hyperlink:\n\n" + LinkErrorText(code); }

#pragma once
// Opening a web address: first the shell's "open" action, then the browser that the registry
// names for web pages. The rules live here, away from the system, so they can be checked on any
// machine; the system calls themselves sit behind LinkShell.
#include <string>

// The three system services OpenUrl needs. The Windows one is LinkShellWin32; tests use fakes
// so no browser is ever started.
class LinkShell {
public:
    virtual ~LinkShell() = default;
    // Asks the shell to open the address; a result above 32 is success.
    virtual int ShellOpen(const std::string& address, int show) = 0;
    // The default value of a key under HKEY_CLASSES_ROOT; 0, or the registry's error code.
    virtual long ReadClassesRootValue(const std::string& key, std::string& value) = 0;
    // Runs a command line; a result above 32 is success.
    virtual int Run(const std::string& commandLine, int show) = 0;
};

// The browser's command line for the address: the registered command cut before its "%1"
// placeholder (before the opening quote when the placeholder is quoted), then one space and the
// address. The address is appended whole, however long it is.
std::string BrowserCommandLine(const std::string& registeredCommand, const std::string& address);

// Opens the address through the shell, falling back on the registered browser when the shell
// fails. Returns the launch result; when the browser's command cannot be read, the shell's.
int OpenUrl(LinkShell& shell, const std::string& address, int show);

// The words for a failed launch result, and the whole message that reports it.
std::string LinkErrorText(int code);
std::string LinkErrorMessage(int code);

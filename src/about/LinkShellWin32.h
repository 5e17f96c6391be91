#pragma once
// The link launcher's system services on Windows: the shell's "open", the registry's classes
// and WinExec.
#include <windows.h>

#include "about/LinkLauncher.h"

class LinkShellWin32 : public LinkShell {
public:
    int ShellOpen(const std::string& address, int show) override;
    long ReadClassesRootValue(const std::string& key, std::string& value) override;
    int Run(const std::string& commandLine, int show) override;
};

// The shell that link labels open their addresses with: the real one unless SetLinkShell
// installed another.
LinkShell& CurrentLinkShell();
// Installs another shell (not owned); nullptr goes back to the real one.
void SetLinkShell(LinkShell* shell);

// Tells the user that a link could not be opened, in a message box above owner.
void ReportLinkError(int code, HWND owner);

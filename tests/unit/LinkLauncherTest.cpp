// Opening the About box's web address: the shell first, then the registered browser's command
// with the address put where its placeholder was; and the words for a failed launch.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "about/AboutText.h"
#include "about/LinkLauncher.h"

namespace {

class FakeShell : public LinkShell {
public:
    int ShellOpen(const std::string& address, int show) override {
        opened.push_back(address);
        shows.push_back(show);
        return shellResult;
    }
    long ReadClassesRootValue(const std::string& key, std::string& value) override {
        reads.push_back(key);
        const auto found = classes.find(key);
        if (found == classes.end()) return 2; // ERROR_FILE_NOT_FOUND
        value = found->second;
        return 0;
    }
    int Run(const std::string& commandLine, int show) override {
        run.push_back(commandLine);
        shows.push_back(show);
        return runResult;
    }

    int shellResult = 42;
    int runResult = 33;
    std::map<std::string, std::string> classes;
    std::vector<std::string> opened, reads, run;
    std::vector<int> shows;
};

TEST(BrowserCommandLine, CutsAtThePlaceholderAndAppendsTheAddress) {
    // A quoted placeholder goes with its quotes; the space before it stays.
    EXPECT_EQ(BrowserCommandLine("\"C:\\Web Browser\\browse.exe\" -nohome \"%1\"", "http://a.b/"),
              "\"C:\\Web Browser\\browse.exe\" -nohome  http://a.b/");
    EXPECT_EQ(BrowserCommandLine("browse.exe -url %1 -new", "http://a.b/"), "browse.exe -url  http://a.b/");
    EXPECT_EQ(BrowserCommandLine("browse.exe", "http://a.b/"), "browse.exe http://a.b/");
    // A quote that belongs to something else is no quoted placeholder.
    EXPECT_EQ(BrowserCommandLine("\"browse.exe\" %1\"", "x"), "\"browse.exe\"  x");
}

TEST(BrowserCommandLine, KeepsLongCommandsAndAddressesWhole) {
    const std::string browser = "\"C:\\" + std::string(600, 'd') + "\\browse.exe\"";
    const std::string address = "http://example.org/" + std::string(3000, 'p');
    const std::string line = BrowserCommandLine(browser + " \"%1\"", address);
    EXPECT_EQ(line, browser + "  " + address);
}

TEST(OpenUrl, TheShellsSuccessEndsIt) {
    FakeShell shell;
    EXPECT_EQ(OpenUrl(shell, "http://a.b/", 5), 42);
    EXPECT_EQ(shell.opened, std::vector<std::string>{"http://a.b/"});
    EXPECT_TRUE(shell.reads.empty());
    EXPECT_TRUE(shell.run.empty());
}

TEST(OpenUrl, FallsBackOnTheBrowserThatOpensWebPages) {
    FakeShell shell;
    shell.shellResult = 31;
    shell.classes[".htm"] = "webpage";
    shell.classes["webpage\\shell\\open\\command"] = "\"browse.exe\" \"%1\"";
    EXPECT_EQ(OpenUrl(shell, "http://a.b/", 5), 33);
    EXPECT_EQ(shell.reads, (std::vector<std::string>{".htm", "webpage\\shell\\open\\command"}));
    EXPECT_EQ(shell.run, std::vector<std::string>{"\"browse.exe\"  http://a.b/"});
    EXPECT_EQ(shell.shows, (std::vector<int>{5, 5}));
}

TEST(OpenUrl, ReportsTheShellsResultWhenNoBrowserIsRegistered) {
    FakeShell shell;
    shell.shellResult = 31;
    EXPECT_EQ(OpenUrl(shell, "http://a.b/", 5), 31); // no .htm type
    shell.classes[".htm"] = "webpage";
    EXPECT_EQ(OpenUrl(shell, "http://a.b/", 5), 31); // a type without an open command
    EXPECT_TRUE(shell.run.empty());
    // A browser that fails reports its own result.
    shell.classes["webpage\\shell\\open\\command"] = "browse.exe %1";
    shell.runResult = 2;
    EXPECT_EQ(OpenUrl(shell, "http://a.b/", 5), 2);
}

TEST(LinkError, TextsOfTheLaunchResults) {
    EXPECT_EQ(LinkErrorMessage(26), "Unable to open hyperlink:\n\nA sharing violation occurred. ");
    EXPECT_EQ(LinkErrorMessage(4), "Unable to open hyperlink:\n\nUnknown Error (4) occurred.");
    EXPECT_EQ(LinkErrorText(-1), "Unknown Error (-1) occurred.");
    EXPECT_EQ(LinkErrorText(0), "The operating system is out\nof memory or resources.");
    EXPECT_EQ(LinkErrorText(11), "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    EXPECT_EQ(LinkErrorText(30), "The DDE transaction could not\nbe completed because other DDE "
                                 "transactions\nwere being processed.");
    EXPECT_EQ(LinkErrorText(32), "The specified dynamic-link library was not found.");
    // Results that the shell never gives for a failure have no words of their own.
    for (int code : {1, 4, 6, 7, 9, 10, 12, 25, 33})
        EXPECT_EQ(LinkErrorText(code), "Unknown Error (" + std::to_string(code) + ") occurred.");
}

TEST(AboutWebAddress, GoesOntoACommandLineAsOneArgument) {
    // The browser fallback appends the address unquoted: a space would split it, a quote would
    // end an argument and an ampersand would start another command.
    const std::string address = kAboutWebAddress;
    EXPECT_EQ(address.find_first_of(" \t\"&"), std::string::npos) << address;
    EXPECT_EQ(address.rfind("https://", 0), 0u);
}

} // namespace

// The link launcher's registry reads on the test prefix's real registry: values of any length,
// environment strings expanded, bytes without their terminating zero, and what is no text.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "about/LinkShellWin32.h"

namespace {

class ClassesKey : public testing::Test {
protected:
    ClassesKey() : name("KestrelboxLinkTest." + std::to_string(GetCurrentProcessId())) {
        RegCreateKeyExA(HKEY_CLASSES_ROOT, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
    }
    ~ClassesKey() override {
        RegCloseKey(key);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, name.c_str());
    }
    void SetDefault(DWORD type, const std::string& bytes) {
        RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
    }

    std::string name;
    HKEY key = nullptr;
    LinkShellWin32 shell;
};

TEST_F(ClassesKey, ReadsLongValuesWhole) {
    ASSERT_NE(key, nullptr);
    const std::string command = "\"C:\\" + std::string(700, 'b') + "\\browse.exe\" \"%1\"";
    SetDefault(REG_SZ, command + '\0');
    std::string value;
    EXPECT_EQ(shell.ReadClassesRootValue(name, value), 0);
    EXPECT_EQ(value, command);
}

TEST_F(ClassesKey, ExpandsEnvironmentStringsAndEndsTextWithoutItsZero) {
    ASSERT_NE(key, nullptr);
    SetEnvironmentVariableA("KESTREL_LINK_TEST", "C:\\Browsers");
    SetDefault(REG_EXPAND_SZ, std::string("%KESTREL_LINK_TEST%\\browse.exe %1") + '\0');
    std::string value;
    EXPECT_EQ(shell.ReadClassesRootValue(name, value), 0);
    EXPECT_EQ(value, "C:\\Browsers\\browse.exe %1");

    SetDefault(REG_SZ, "webpage"); // stored without a terminating zero
    EXPECT_EQ(shell.ReadClassesRootValue(name, value), 0);
    EXPECT_EQ(value, "webpage");
}

TEST_F(ClassesKey, NumbersAndMissingKeysAreNoCommand) {
    ASSERT_NE(key, nullptr);
    SetDefault(REG_DWORD, std::string(4, '\x01'));
    std::string value = "unchanged";
    EXPECT_NE(shell.ReadClassesRootValue(name, value), 0);
    EXPECT_NE(shell.ReadClassesRootValue(name + ".missing", value), 0);
    EXPECT_EQ(value, "unchanged");
}

} // namespace

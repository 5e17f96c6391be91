#pragma once
// KB_ASSERT(condition): a state that the program's own logic rules out. Input from outside (files,
// messages, the clipboard, the command line) is never asserted: it is checked and held in range
// where it enters. The check is live in every build, NDEBUG or not, since it costs a comparison: a
// failure names the file, the line and the condition on the standard error and aborts, so a test
// that reaches it fails loudly.
#define KB_ASSERT(condition)                                                                                 \
    ((condition) ? static_cast<void>(0) : ::kb::AssertionFailed(#condition, __FILE__, __LINE__))

namespace kb {
[[noreturn]] void AssertionFailed(const char* condition, const char* file, int line);
} // namespace kb

#pragma once
// Owners for the GDI objects and device contexts the widgets use, so every path releases them.
#include <windows.h>

#include <utility>

// Owns one GDI object (brush, font, bitmap, region) and deletes it.
template <typename Handle> class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle h) : handle(h) {}
    ~GdiObject() { Reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : handle(std::exchange(other.handle, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.handle, nullptr));
        return *this;
    }

    Handle Get() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }
    void Reset(Handle h = nullptr) {
        if (handle) DeleteObject(handle);
        handle = h;
    }

private:
    Handle handle = nullptr;
};

using GdiBitmap = GdiObject<HBITMAP>;
using GdiBrush = GdiObject<HBRUSH>;
using GdiFont = GdiObject<HFONT>;
using GdiRegion = GdiObject<HRGN>;

// A memory device context compatible with another one.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatible) : dc(CreateCompatibleDC(compatible)) {}
    ~MemoryDC() {
        if (dc) DeleteDC(dc);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const { return dc; }

private:
    HDC dc;
};

// The client-area device context of a window, released on scope exit.
class WindowDC {
public:
    explicit WindowDC(HWND window) : hwnd(window), dc(GetDC(window)) {}
    ~WindowDC() {
        if (dc) ReleaseDC(hwnd, dc);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc; }

private:
    HWND hwnd;
    HDC dc;
};

// A window's paint: BeginPaint on construction, EndPaint on scope exit, so a paint that fails
// part-way still validates the window instead of being asked for again and again.
class PaintDC {
public:
    explicit PaintDC(HWND window) : hwnd(window), dc(BeginPaint(window, &paint)) {}
    ~PaintDC() { EndPaint(hwnd, &paint); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC Get() const { return dc; }

private:
    HWND hwnd;
    PAINTSTRUCT paint{};
    HDC dc;
};

// Selects an object into a device context and puts the previous one back.
class SelectedObject {
public:
    SelectedObject(HDC target, HGDIOBJ object) : dc(target), previous(SelectObject(target, object)) {}
    ~SelectedObject() {
        if (previous) SelectObject(dc, previous);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc;
    HGDIOBJ previous;
};

// Saves a device context's state (colours, objects, clipping) and restores it.
class SavedDCState {
public:
    explicit SavedDCState(HDC target) : dc(target), saved(SaveDC(target)) {}
    ~SavedDCState() {
        if (saved) RestoreDC(dc, saved);
    }
    SavedDCState(const SavedDCState&) = delete;
    SavedDCState& operator=(const SavedDCState&) = delete;

private:
    HDC dc;
    int saved;
};

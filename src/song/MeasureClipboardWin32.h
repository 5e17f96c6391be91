#pragma once
// Copy Measure and Paste Measure through the system clipboard, under a format registered by name
// so that running copies understand each other. Both give way to a text field that has the
// keyboard focus, so Ctrl+C and Ctrl+V keep their meaning inside the panel's number fields.
#include <windows.h>

#include <functional>
#include <string>

#include "song/EditOperations.h"
#include "song/SongDocument.h"

// Replaces what the clipboard holds with a copy of the bytes under the format, for owner. The
// clipboard is closed again when this returns, so a failure can be told of without locking every
// program out of it. False when it could not be opened or refused the block.
bool PlaceOnClipboard(HWND owner, UINT format, const void* data, size_t size);

class MeasureClipboard {
public:
    // Registers the format and starts both staging buffers as copies of the edit measure.
    void Init(SongDocument& doc);
    bool HasMeasure() const;
    // All sixteen steps of the edit measure, whatever the step count. Takes no undo point.
    void Copy(HWND owner);
    // Checks the block first, then takes the undo point, then replaces all sixteen steps of the
    // edit measure; the measure keeps its link and repeat count.
    void Paste(HWND owner, EditView& view);
    UINT Format() const { return format; }
    // How a failure is told; a "NOTE!" box unless replaced.
    void SetNotice(std::function<void(const std::string&)> notice) { tell = std::move(notice); }

private:
    void Tell(const char* text) const;

    std::function<void(const std::string&)> tell;
    SongDocument* document = nullptr;
    UINT format = 0;
};

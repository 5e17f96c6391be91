#include "song/MeasureClipboardWin32.h"

#include <cstring>

#include "common/NoteBoxWin32.h"
#include "song/MeasureRecord.h"

namespace {

// The clipboard, open for as long as this lives.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) : open(OpenClipboard(owner) != FALSE) {}
    ~OpenClipboardScope() {
        if (open) CloseClipboard();
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    bool IsOpen() const { return open; }

private:
    bool open;
};

// A text field with the focus takes the command itself: copy with a selection, paste always.
HWND FocusedTextField() { return GetFocus(); }

bool HasSelection(HWND field) {
    const auto range = static_cast<DWORD>(SendMessageA(field, EM_GETSEL, 0, 0));
    return LOWORD(range) != HIWORD(range);
}

} // namespace

bool PlaceOnClipboard(HWND owner, UINT format, const void* data, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, size);
    void* bytes = block != nullptr ? GlobalLock(block) : nullptr;
    if (bytes == nullptr) {
        if (block != nullptr) GlobalFree(block);
        return false;
    }
    std::memcpy(bytes, data, size);
    GlobalUnlock(block);
    OpenClipboardScope clipboard(owner);
    // From SetClipboardData on the clipboard owns the block; a refusal leaves it ours to free.
    if (!clipboard.IsOpen() || !EmptyClipboard() || SetClipboardData(format, block) == nullptr) {
        GlobalFree(block);
        return false;
    }
    return true;
}

void MeasureClipboard::Tell(const char* text) const {
    if (tell)
        tell(text);
    else
        ShowNote1252(text);
}

void MeasureClipboard::Init(SongDocument& doc) {
    document = &doc;
    format = RegisterClipboardFormatA(kMeasureClipboardFormat);
    CopySteps(doc.clipboardBuffer, doc.EditMeasure(), kStepsPerMeasureMax);
    CopySteps(doc.undoBuffer, doc.EditMeasure(), kStepsPerMeasureMax);
}

bool MeasureClipboard::HasMeasure() const {
    return format != 0 && IsClipboardFormatAvailable(format) != FALSE;
}

void MeasureClipboard::Copy(HWND owner) {
    if (HWND field = FocusedTextField(); field != nullptr && HasSelection(field)) {
        SendMessageA(field, WM_COPY, 0, 0);
        return;
    }
    if (document == nullptr) return;
    // The undo buffer is left alone: it belongs to the last undo point, not to the clipboard.
    CopySteps(document->clipboardBuffer, document->EditMeasure(), kStepsPerMeasureMax);
    const auto records = EncodeMeasureRecords(document->clipboardBuffer);
    if (!PlaceOnClipboard(owner, format, records.data(), records.size()))
        Tell("Could not copy to the clipboard...");
}

void MeasureClipboard::Paste(HWND owner, EditView& view) {
    if (!HasMeasure()) {
        if (HWND field = FocusedTextField()) SendMessageA(field, WM_PASTE, 0, 0);
        return;
    }
    if (document == nullptr) return;
    Measure received;
    bool opened = false;
    bool whole = false;
    {
        OpenClipboardScope clipboard(owner);
        opened = clipboard.IsOpen();
        HANDLE block = opened ? GetClipboardData(format) : nullptr;
        // Any program may put a block under our format's name: take it only when it is whole.
        const void* bytes = block != nullptr ? GlobalLock(block) : nullptr;
        if (bytes != nullptr) {
            whole = DecodeMeasureRecords(static_cast<const uint8_t*>(bytes), GlobalSize(block), received);
            GlobalUnlock(block);
        }
    }
    if (!opened) {
        Tell("Could not paste from the clipboard: another program holds it open.");
        return;
    }
    if (!whole) {
        Tell("Could not paste from the clipboard: it holds no whole measure.");
        return;
    }
    TakeUndoSnapshot(*document);
    CopySteps(document->clipboardBuffer, received, kStepsPerMeasureMax);
    CopySteps(document->EditMeasure(), document->clipboardBuffer, kStepsPerMeasureMax);
    view.LoadMeasure(document->editMeasure);
}

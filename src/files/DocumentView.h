#pragma once
// What a loaded setup asks of the panel: show the document as it now stands. The panel controller
// implements it; the file commands call it once per load. UI thread only.
class DocumentView {
public:
    virtual ~DocumentView() = default;
    // Shows the document's tempo unit, tempo, level, transpose, mute and edit measure on the
    // panel, and tells a playing engine of the tempo; the document itself is not written.
    virtual void ShowDocument() = 0;
};

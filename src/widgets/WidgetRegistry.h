#pragma once
// The process-wide list of windowless widgets, the button currently held down, and the routines
// an owner window calls. An owner paints its widgets from its paint handler with PaintWidgets,
// hands each mouse message to SetCursorAt and DispatchMouse, and registers with
// SetWidgetEventSink to hear what dial text fields report (typed values, focus lost, clicks in a
// field). User-interface thread only.
#include <windows.h>

#include <vector>

class MWnd;
class MButton;
class WidgetEventSink;

class WidgetRegistry {
public:
    struct Node {
        MWnd* widget; // not owned
        int number;   // registration order, from 1
    };

    static WidgetRegistry& Instance();

    // Appends a widget at the newest end; a widget already listed keeps its place.
    void Append(MWnd* widget);
    // Drops a widget that is being destroyed, so the list never points at a dead object.
    void Remove(MWnd* widget);
    bool Contains(const MWnd* widget) const;
    int Count() const { return static_cast<int>(nodes.size()); }

    // Oldest first; walk it backwards for newest first.
    const std::vector<Node>& Nodes() const { return nodes; }
    // Changes whenever a widget joins or leaves the list.
    unsigned Version() const { return version; }

private:
    std::vector<Node> nodes;
    unsigned version = 0;
    int nextNumber = 1;
};

// Takes a widget that is being destroyed off the list (also safe at program exit).
void UnregisterWidget(MWnd* widget);

// The button that is held down at the moment, or nullptr.
MButton* CapturedWidget();
void SetCapturedWidget(MButton* button);

// Paints every widget of owner, newest first; each excludes its rectangle from the clipping, so
// newer widgets cover older ones and no pixel is painted twice.
void PaintWidgets(HDC dc, HWND owner);

// Offers a mouse event to the owner's widgets, newest first; returns the id of the one that took
// it, or 0.
int DispatchMouse(int type, int x, int y, HWND owner);

// Sets the cursor of the newest visible widget under (x, y) that has one; returns its id, or 0
// when the owner should set its own cursor.
int SetCursorAt(int x, int y, HWND owner);

// Excludes from dc the rectangles of the visible widgets of the same owner that are newer than
// widget, so drawing it at once does not paint over what lies on top of it.
void ExcludeNewerWidgets(HDC dc, const MWnd* widget);

// Registers the window that receives the events dial text fields raise (nullptr removes it).
void SetWidgetEventSink(HWND owner, WidgetEventSink* sink);
void NotifyWidgetOwner(HWND owner, int type, int x, int y, int id);

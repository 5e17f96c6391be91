#include "widgets/WidgetRegistry.h"

#include <algorithm>
#include <cstring>

#include "widgets/MButton.h"
#include "widgets/MWnd.h"
#include "widgets/WidgetEvents.h"

namespace {

struct SinkEntry {
    HWND owner;
    WidgetEventSink* sink;
};

// The lists live as long as the program. Widgets and owners destroyed at exit after them (static
// objects of other files) find them gone and have nothing to take off.
bool listsGone = false;

struct Lists {
    WidgetRegistry registry;
    std::vector<SinkEntry> sinks;
    constexpr Lists() = default;
    ~Lists() { listsGone = true; }
};
constinit Lists lists;
WidgetRegistry& registry = lists.registry;
std::vector<SinkEntry>& sinks = lists.sinks;

MButton* capturedWidget = nullptr;

// Widgets named "MWnd" (plain widgets, pictures, dial bodies) never take mouse input.
MButton* AsMouseTaker(MWnd* widget) {
    if (std::strcmp(widget->GetClassName(), "MWnd") == 0) return nullptr;
    return dynamic_cast<MButton*>(widget);
}

bool Contains(const RECT& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

} // namespace

WidgetRegistry& WidgetRegistry::Instance() { return registry; }

void WidgetRegistry::Append(MWnd* widget) {
    if (Contains(widget)) return;
    nodes.push_back(Node{widget, nextNumber++});
    ++version;
}

void WidgetRegistry::Remove(MWnd* widget) {
    if (std::erase_if(nodes, [widget](const Node& n) { return n.widget == widget; })) ++version;
}

bool WidgetRegistry::Contains(const MWnd* widget) const {
    return std::any_of(nodes.begin(), nodes.end(), [widget](const Node& n) { return n.widget == widget; });
}

MButton* CapturedWidget() { return capturedWidget; }

void SetCapturedWidget(MButton* button) { capturedWidget = button; }

void PaintWidgets(HDC dc, HWND owner) {
    const auto& nodes = WidgetRegistry::Instance().Nodes();
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        if (it->widget->GetOwner() == owner) it->widget->Draw(dc);
    }
}

int DispatchMouse(int type, int x, int y, HWND owner) {
    // Each widget makes its own hit test, and buttons held down must see moves and releases
    // outside themselves, so every widget of the owner is asked in turn. Copy the list: the
    // widgets may create or destroy widgets while handling an event.
    const WidgetRegistry& registry = WidgetRegistry::Instance();
    const std::vector<WidgetRegistry::Node> nodes = registry.Nodes();
    const unsigned version = registry.Version();
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        if (registry.Version() != version && !registry.Contains(it->widget)) continue;
        if (it->widget->GetOwner() != owner) continue;
        MButton* button = AsMouseTaker(it->widget);
        if (button && button->MouseEvent(type, x, y) != HitResult::None) return button->GetId();
    }
    return 0;
}

int SetCursorAt(int x, int y, HWND owner) {
    const auto& nodes = WidgetRegistry::Instance().Nodes();
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        if (it->widget->GetOwner() != owner) continue;
        MButton* button = AsMouseTaker(it->widget);
        if (!button || !button->IsVisible() || !button->Cursor()) continue;
        if (!Contains(button->GetRect(), x, y)) continue;
        SetCursor(button->Cursor());
        return button->GetId();
    }
    return 0;
}

void ExcludeNewerWidgets(HDC dc, const MWnd* widget) {
    const auto& nodes = WidgetRegistry::Instance().Nodes();
    for (auto it = nodes.rbegin(); it != nodes.rend() && it->widget != widget; ++it) {
        const MWnd* newer = it->widget;
        if (newer->GetOwner() != widget->GetOwner() || !newer->IsVisible()) continue;
        if (!newer->PaintsItsRect()) continue;
        const RECT r = newer->GetRect();
        ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
}

void UnregisterWidget(MWnd* widget) {
    if (!listsGone) registry.Remove(widget);
}

void SetWidgetEventSink(HWND owner, WidgetEventSink* sink) {
    if (listsGone) return;
    std::erase_if(sinks, [owner](const SinkEntry& e) { return e.owner == owner; });
    if (sink) sinks.push_back(SinkEntry{owner, sink});
}

void NotifyWidgetOwner(HWND owner, int type, int x, int y, int id) {
    if (listsGone) return;
    for (const SinkEntry& e : sinks) {
        if (e.owner != owner) continue;
        e.sink->OnWidgetEvent(type, x, y, id);
        return;
    }
}

#pragma once
// A static text control of a dialog turned into a web link: it changes colour and underline
// while the pointer is over it, shows its address as a tooltip, and opens the address when
// clicked. Its parent decides the colours: a parent that wants the link colours hands its
// colour request for the label on to OnCtlColor.
#include <windows.h>

#include <string>

#include "widgets/GdiHandles.h"

// The hand cursor for links: the system's own where it has one, otherwise the one in the
// system's help program, read from that file as data (its code is never loaded). nullptr when
// neither exists. ownsCursor tells whether the caller must destroy it.
HCURSOR LoadHandCursor(bool& ownsCursor);

enum class LinkState { Unvisited, Visited };
enum class LinkFont { Plain, Underlined };

class LinkLabel {
public:
    static constexpr UINT_PTR kTimerId = 100;
    static constexpr UINT kHoverCheckMs = 100;
    // underlineMode values.
    static constexpr int kUnderlineWhileHovering = -1;
    static constexpr int kUnderlineNever = 0;
    static constexpr int kUnderlineAlways = 1;

    LinkLabel() = default;
    ~LinkLabel();
    LinkLabel(const LinkLabel&) = delete;
    LinkLabel& operator=(const LinkLabel&) = delete;

    // Makes the dialog's static control the label. False when control is not a window.
    bool Attach(HWND control);
    HWND Handle() const { return hwnd; }

    void SetUrl(const std::string& url);
    const std::string& Url() const { return url; }
    void SetVisited(LinkState state);
    bool Visited() const { return visited; }
    void SetUnderline(int mode);
    int UnderlineMode() const { return underlineMode; }
    bool Hovering() const { return hovering; }
    HCURSOR Cursor() const { return cursor; }

    // Opens the address; a success marks the label visited, a failure beeps and says why.
    void Follow();

    // The label's own answer to a colour request: link colours, transparent, no brush.
    HBRUSH OnCtlColor(HDC dc) const;
    COLORREF TextColour() const;

    COLORREF linkColor = RGB(0, 0, 238);
    COLORREF visitedColor = RGB(85, 26, 139);
    COLORREF hoverColor = RGB(255, 0, 0);

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void BuildFonts();
    void CreateTooltip();
    void UseFont(LinkFont font);
    bool PointerInside(LPARAM position) const;
    void OnMouseMove(LPARAM position);
    // A click is a press and a release both on the label: a release after a press elsewhere, or
    // away from the label after a press on it, follows nothing.
    void OnPress();
    void OnRelease(LPARAM position);
    void OnHoverTimer();
    void Detach();

    HWND hwnd = nullptr;
    bool hovering = false;
    bool pressed = false; // the left button went down on the label and has not come up yet
    bool visited = false;
    int underlineMode = kUnderlineWhileHovering;
    std::string url;
    GdiFont underlinedFont;
    GdiFont normalFont;
    HCURSOR cursor = nullptr;
    bool ownsCursor = false;
    HWND tooltip = nullptr;
};

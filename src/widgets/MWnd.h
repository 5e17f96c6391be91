#pragma once
// The base of every windowless widget: a rectangle in an owner window's client area that the
// widget paints into the owner's device context. Widgets register themselves when created and
// stay in the widget list until they are destroyed.
#include <windows.h>

#include <string>

#include "widgets/InvalidationBatch.h"
#include "widgets/Showable.h"

class MWnd {
public:
    MWnd();
    virtual ~MWnd();
    MWnd(const MWnd&) = delete;
    MWnd& operator=(const MWnd&) = delete;

    virtual void Create(int id, const std::string& text, int x, int y, int width, int height, HWND owner);
    virtual void CreateRect(int id, const std::string& text, const RECT& rect, HWND owner);
    virtual void SetColors(COLORREF ink, COLORREF paper);
    virtual void Draw(HDC dc);
    virtual void Show();
    virtual void Hide();
    virtual void SetShowable(Showable flag);
    // False for a widget that paints nothing of its own, so it covers nothing beneath it.
    virtual bool PaintsItsRect() const { return true; }

    RECT GetRect() const { return rect; }
    int GetId() const { return id; }
    HWND GetOwner() const { return owner; }
    const std::string& GetText() const { return text; }
    const char* GetClassName() const { return className; }
    COLORREF GetInk() const { return ink; }
    COLORREF GetPaper() const { return paper; }
    bool IsVisible() const { return visible; }
    bool IsShowable() const { return showable; }

    void SetInk(COLORREF c);
    void SetPaper(COLORREF c);
    // Moves the top-left corner to (x, y), keeping the size.
    void MoveTo(int x, int y);
    // Paints at once into dc, then invalidates so the next paint draws it once more.
    void RedrawNow(HDC dc);

protected:
    // True when Draw should paint: visible and rect not clipped away entirely.
    bool ShouldPaint(HDC dc) const;
    void ExcludeOwnRect(HDC dc) const;
    void Invalidate(EraseBackground erase) const;

    RECT rect{};
    std::string text;
    COLORREF ink = 0;
    COLORREF paper = 0;
    bool visible = false;
    bool showable = false;
    int id = 0;
    HWND owner = nullptr;
    const char* className = "MWnd";
};

// Fills r with a solid colour.
void FillSolid(HDC dc, const RECT& r, COLORREF colour);

// Draws text centred on one line in r, in colour, with the owner window's font.
void DrawCentredText(HDC dc, const RECT& r, const std::string& text, COLORREF colour, HWND owner);

#pragma once
// The web page the About box links to. It goes unquoted onto a browser's command line (see
// BrowserCommandLine), so it must hold no space, quote or ampersand; its two halves are the texts
// of the box's two link lines in the resource script.
inline constexpr char kAboutWebAddress[] = "https://www.kestrelbox.org/";

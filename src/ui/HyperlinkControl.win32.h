#pragma once
// A static text control turned into a link: drawn underlined in the
// browser's link colour, with a hand cursor and a tooltip, focusable, and
// opened with the shell on a click or on Enter or Space.

#include "ui/ColourText.h"
#include "ui/UiHandles.win32.h"

#include <windows.h>

#include <string>

namespace launcher {

class HyperlinkControl {
public:
    HyperlinkControl() = default;
    ~HyperlinkControl();
    HyperlinkControl(const HyperlinkControl&) = delete;
    HyperlinkControl& operator=(const HyperlinkControl&) = delete;

    // The font the control draws with; not owned. Set before attach.
    void setNormalFont(HFONT font) { normalFont_ = font; }
    // Takes over the control's window procedure and sets the link up.
    bool attach(HWND control);

    bool visited() const { return visited_; }
    Colour linkColour() const { return linkColour_; }

private:
    // The window procedure (HyperlinkControl.win32.cpp).
    static LRESULT CALLBACK subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool handleMouse(UINT message, LPARAM lParam);
    void open();
    bool insideLink(POINT point) const;
    void detach();

    // The look: set-up, measuring and painting (HyperlinkAppearance.win32.cpp).
    void initialise();
    void createLinkFont();
    void createTooltip();
    void readBrowserColours();
    void computeLinkRect();
    // After the parent moved to a monitor of another scale.
    void followScale();
    UINT textFormat() const;
    void paint(HDC dc);

    HWND window_ = nullptr;
    std::u16string label_;
    std::u16string target_;
    HCURSOR cursor_ = nullptr;
    HFONT normalFont_ = nullptr;
    UniqueFont ownedNormalFont_;
    UniqueFont linkFont_;
    RECT linkRect_{};
    UniqueWindow tooltip_;
    Colour linkColour_ = rgb(0, 0, 255);
    Colour visitedColour_ = rgb(128, 0, 128);
    bool paintLabel_ = true;
    bool visited_ = false;
};

} // namespace launcher

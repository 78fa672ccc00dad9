// The themed look: the standard controls of one thread drawn in an XP style.
//
// A thread-local CBT hook subclasses every covered control as it is created;
// those that exist when the look is switched on are subclassed then. The
// subclass procedures only paint: every message that makes a control do
// something still reaches the control's own procedure, so clicks, keys,
// focus and notifications stay the standard ones.
//
// The standard button procedure also draws outside WM_PAINT, straight onto
// the screen, when its state changes (pressed, focus, check, text...). The
// skin paints over that at once, before the message returns, and a second
// thread-local hook, which sees every message the thread sends, repaints a
// button before its parent handles a notification from it (a click, say,
// whose handler may run a long action). Holding the standard drawing back
// instead, with WM_SETREDRAW or an empty window region, takes the button out
// of hit-testing while the message runs: a mouse release arriving then goes
// to the parent and the click is lost (and WM_SETREDRAW makes the dialog
// functions skip the control: an automatic radio button's walk round its
// group never ends).
#include "platform/themed_look.h"

#include "platform/skin.h"

#include <commctrl.h>

namespace {

enum class ControlKind { Button, Edit, ComboBox, ComboList, UpDown };

// One subclassed control.
struct Skinned {
    Skinned *next;
    HWND window;
    WNDPROC original;
    ControlKind kind;
    bool unicode;       // subclassed through the W functions, as the window was
    bool active;        // false: another subclass sits over ours, so we only pass on
    bool released;      // out of the list; freed when no call of ours runs for it
    bool trackingLeave; // WM_MOUSELEAVE asked for
    int hotPart;        // under the mouse: 1 the control (or its first arrow), 2 the second
    int pressedPart;    // up-down arrow held down
    int calls;          // calls of our procedure running for it
};

int g_scheme;
HHOOK g_createHook;
HHOOK g_sendHook;
Skinned *g_skinned;

LRESULT CALLBACK SkinProcA(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK SkinProcW(HWND, UINT, WPARAM, LPARAM);

Skinned *Find(HWND window) {
    for (Skinned *s = g_skinned; s; s = s->next)
        if (s->window == window)
            return s;
    return nullptr;
}

LRESULT Forward(const Skinned &s, UINT message, WPARAM wParam, LPARAM lParam) {
    return s.unicode ? CallWindowProcW(s.original, s.window, message, wParam, lParam)
                     : CallWindowProcA(s.original, s.window, message, wParam, lParam);
}

bool KindOf(HWND window, ControlKind &kind) {
    char name[32];
    if (!GetClassNameA(window, name, sizeof name))
        return false;
    static const struct {
        const char *name;
        ControlKind kind;
    } kCovered[] = {{"Button", ControlKind::Button},
                    {"Edit", ControlKind::Edit},
                    {"ComboBox", ControlKind::ComboBox},
                    {"ComboLBox", ControlKind::ComboList},
                    {UPDOWN_CLASSA, ControlKind::UpDown}};
    for (const auto &covered : kCovered)
        if (lstrcmpiA(name, covered.name) == 0) {
            kind = covered.kind;
            return true;
        }
    return false;
}

// ---- Painting over the standard procedure's own drawing ----

void RepaintNow(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
}

// Passes the message on, then shows the control's new state in the themed
// look before anything else can happen.
LRESULT ThenRepaint(Skinned &s, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = Forward(s, message, wParam, lParam);
    if (!s.released && IsWindowVisible(s.window))
        RepaintNow(s.window);
    return result;
}

// ---- Subclassing ----

void Subclass(HWND window, ControlKind kind) {
    if (Skinned *s = Find(window)) {
        s->active = true;
        return;
    }
    Skinned *s =
        static_cast<Skinned *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Skinned)));
    if (!s)
        return; // the control keeps its standard look
    s->window = window;
    s->kind = kind;
    s->unicode = IsWindowUnicode(window) != 0;
    s->active = true;
    LONG_PTR previous =
        s->unicode ? SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SkinProcW))
                   : SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SkinProcA));
    if (!previous) {
        HeapFree(GetProcessHeap(), 0, s);
        return;
    }
    s->original = reinterpret_cast<WNDPROC>(previous);
    s->next = g_skinned;
    g_skinned = s;
}

void Release(Skinned *s) {
    for (Skinned **link = &g_skinned; *link; link = &(*link)->next)
        if (*link == s) {
            *link = s->next;
            break;
        }
    s->released = true;
    if (s->calls == 0)
        HeapFree(GetProcessHeap(), 0, s);
}

// Gives the control its own procedure back, unless someone subclassed it
// after us: then ours stays in the chain and only passes messages on.
void Unsubclass(Skinned *s) {
    HWND window = s->window;
    LONG_PTR ours =
        s->unicode ? reinterpret_cast<LONG_PTR>(SkinProcW) : reinterpret_cast<LONG_PTR>(SkinProcA);
    LONG_PTR current = s->unicode ? GetWindowLongPtrW(window, GWLP_WNDPROC)
                                  : GetWindowLongPtrA(window, GWLP_WNDPROC);
    if (current != ours) {
        s->active = false;
        return;
    }
    LONG_PTR original = reinterpret_cast<LONG_PTR>(s->original);
    if (s->unicode)
        SetWindowLongPtrW(window, GWLP_WNDPROC, original);
    else
        SetWindowLongPtrA(window, GWLP_WNDPROC, original);
    Release(s);
}

BOOL CALLBACK SubclassIfCovered(HWND window, LPARAM) {
    ControlKind kind;
    if (KindOf(window, kind))
        Subclass(window, kind);
    return TRUE;
}

BOOL CALLBACK SubclassWithChildren(HWND window, LPARAM) {
    SubclassIfCovered(window, 0);
    EnumChildWindows(window, SubclassIfCovered, 0);
    return TRUE;
}

void Redraw(HWND window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_NOCHILDREN);
}

LRESULT CALLBACK OnThreadWindowEvent(int code, WPARAM wParam, LPARAM lParam) {
    LRESULT result = CallNextHookEx(g_createHook, code, wParam, lParam);
    if (code == HCBT_CREATEWND && result == 0)
        SubclassIfCovered(reinterpret_cast<HWND>(wParam), 0);
    return result;
}

// A button that notifies its parent is painted before the notification is
// handled.
LRESULT CALLBACK OnThreadSentMessage(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const CWPSTRUCT *sent = reinterpret_cast<const CWPSTRUCT *>(lParam);
        if (sent->message == WM_COMMAND && sent->lParam)
            if (Skinned *s = Find(reinterpret_cast<HWND>(sent->lParam)))
                if (s->active && s->kind == ControlKind::Button && IsWindowVisible(s->window))
                    RepaintNow(s->window);
    }
    return CallNextHookEx(g_sendHook, code, wParam, lParam);
}

// ---- Drawing helpers ----

// A bitmap the size of the control: everything is drawn there first and
// reaches the screen in one copy. Without memory for it, drawing goes
// straight to the target.
class OffscreenCanvas {
  public:
    OffscreenCanvas(HDC target, int width, int height)
        : target_(target), width_(width), height_(height) {
        // A screen-compatible bitmap: the target may be a memory DC that
        // holds a monochrome bitmap.
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = dc_ ? CreateCompatibleBitmap(screen, width, height) : nullptr;
        ReleaseDC(nullptr, screen);
        if (bitmap_) {
            old_ = SelectObject(dc_, bitmap_);
        } else if (dc_) {
            DeleteDC(dc_);
            dc_ = nullptr;
        }
    }
    ~OffscreenCanvas() {
        if (dc_) {
            SelectObject(dc_, old_);
            DeleteObject(bitmap_);
            DeleteDC(dc_);
        }
    }
    OffscreenCanvas(const OffscreenCanvas &) = delete;
    OffscreenCanvas &operator=(const OffscreenCanvas &) = delete;
    HDC Dc() const { return dc_ ? dc_ : target_; }
    void Show() const {
        if (dc_)
            BitBlt(target_, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
    }

  private:
    HDC target_;
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// The target's drawing kept inside the control's own rectangle: the
// standard button class draws with its parent's clipping (CS_PARENTDC).
class ClipToControl {
  public:
    ClipToControl(HDC target, const RECT &client) : target_(target), saved_(SaveDC(target)) {
        IntersectClipRect(target, client.left, client.top, client.right, client.bottom);
    }
    ~ClipToControl() { RestoreDC(target_, saved_); }
    ClipToControl(const ClipToControl &) = delete;
    ClipToControl &operator=(const ClipToControl &) = delete;

  private:
    HDC target_;
    int saved_;
};

// The brush the parent gives for the control's background (WM_CTLCOLOR...),
// lined up with the parent so that patterns continue; text colours the
// parent sets land on the DC too.
HBRUSH ParentBrush(HWND window, HDC dc, UINT colourMessage, int fallbackColour) {
    HWND parent = GetParent(window);
    HBRUSH brush = nullptr;
    if (parent) {
        brush = reinterpret_cast<HBRUSH>(SendMessageA(
            parent, colourMessage, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window)));
        POINT origin = {0, 0};
        MapWindowPoints(window, parent, &origin, 1);
        SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
    }
    return brush ? brush : GetSysColorBrush(fallbackColour);
}

HFONT FontOf(HWND window) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

// The caption in UTF-16 whatever the window's own character set; longer
// captions than any control shows are cut.
struct Caption {
    explicit Caption(HWND window) { GetWindowTextW(window, text, sizeof text / sizeof *text); }
    bool Empty() const { return text[0] == 0; }
    wchar_t text[1024] = L"";
};

// Draws the caption in the area as the button's BS_ alignment styles ask;
// returns where the text went.
RECT DrawCaption(HDC dc, const Caption &caption, const RECT &area, LONG style, UINT defaultAlign,
                 bool hidePrefix) {
    UINT flags = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
    if (hidePrefix)
        flags |= DT_HIDEPREFIX;
    switch (style & BS_CENTER) {
    case BS_LEFT:
        flags |= DT_LEFT;
        break;
    case BS_RIGHT:
        flags |= DT_RIGHT;
        break;
    case BS_CENTER:
        flags |= DT_CENTER;
        break;
    default:
        flags |= defaultAlign;
    }
    RECT measured = area;
    DrawTextW(dc, caption.text, -1, &measured, flags | DT_CALCRECT);
    int width = measured.right - measured.left, height = measured.bottom - measured.top;
    if (width > area.right - area.left)
        width = area.right - area.left;
    int top;
    switch (style & BS_VCENTER) {
    case BS_TOP:
        top = area.top;
        break;
    case BS_BOTTOM:
        top = area.bottom - height;
        break;
    default:
        top = area.top + (area.bottom - area.top - height) / 2;
    }
    RECT place = {area.left, top, area.right, top + height};
    DrawTextW(dc, caption.text, -1, &place, flags);
    int left = (flags & DT_RIGHT)    ? area.right - width
               : (flags & DT_CENTER) ? area.left + (area.right - area.left - width) / 2
                                     : area.left;
    return {left, top, left + width, top + height};
}

void DrawFocus(HDC dc, RECT rect, const RECT &client) {
    IntersectRect(&rect, &rect, &client);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &rect);
}

// ---- Buttons ----

bool SkinnedButtonType(LONG style) {
    switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_GROUPBOX:
    case BS_AUTORADIOBUTTON:
        return true;
    default: // owner-drawn and user buttons draw themselves
        return false;
    }
}

struct ButtonFacts {
    LONG style;
    LRESULT state; // BM_GETSTATE
    bool enabled;
    bool hidePrefix, hideFocus;
    const SkinColours *colours;
};

// A picture button's image, centred.
void DrawButtonImage(const Skinned &s, HDC dc, const RECT &area, const ButtonFacts &facts) {
    bool icon = (facts.style & BS_ICON) != 0;
    HANDLE image =
        reinterpret_cast<HANDLE>(Forward(s, BM_GETIMAGE, icon ? IMAGE_ICON : IMAGE_BITMAP, 0));
    if (!image)
        return;
    int width = 0, height = 0;
    BITMAP bits;
    if (icon) {
        ICONINFO info;
        if (!GetIconInfo(static_cast<HICON>(image), &info))
            return;
        if (GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bits, &bits)) {
            width = bits.bmWidth;
            height = info.hbmColor ? bits.bmHeight : bits.bmHeight / 2;
        }
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    } else if (GetObjectA(image, sizeof bits, &bits)) {
        width = bits.bmWidth;
        height = bits.bmHeight;
    }
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(image), 0, x, y, width, height,
               (icon ? DST_ICON : DST_BITMAP) | (facts.enabled ? 0 : DSS_DISABLED));
}

void PaintPushButton(Skinned &s, HDC dc, const RECT &client, const ButtonFacts &facts) {
    const SkinColours &c = *facts.colours;
    FillRect(dc, &client, ParentBrush(s.window, dc, WM_CTLCOLORBTN, COLOR_BTNFACE));
    UINT type = facts.style & BS_TYPEMASK;
    bool pushLike = type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON;
    unsigned look = 0;
    if (!facts.enabled)
        look |= SkinDisabled;
    if ((facts.state & BST_PUSHED) ||
        (pushLike && (facts.state & (BST_CHECKED | BST_INDETERMINATE))))
        look |= SkinPressed;
    if (s.hotPart)
        look |= SkinHot;
    if (facts.state & BST_FOCUS)
        look |= SkinFocused;
    if (type == BS_DEFPUSHBUTTON)
        look |= SkinDefault;
    DrawButtonFace(dc, client, c, look);

    // Inside the border and the ring.
    RECT content = client;
    InflateRect(&content, -4, -4);
    if (facts.style & (BS_BITMAP | BS_ICON)) {
        DrawButtonImage(s, dc, content, facts);
    } else {
        Caption caption(s.window);
        SelectObject(dc, FontOf(s.window));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, facts.enabled ? c.text : c.disabledText);
        DrawCaption(dc, caption, content, facts.style, DT_CENTER, facts.hidePrefix);
    }
    if ((facts.state & BST_FOCUS) && !facts.hideFocus)
        DrawFocus(dc, {client.left + 3, client.top + 3, client.right - 3, client.bottom - 3},
                  client);
}

void PaintCheckButton(Skinned &s, HDC dc, const RECT &client, const ButtonFacts &facts) {
    const SkinColours &c = *facts.colours;
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    FillRect(dc, &client, ParentBrush(s.window, dc, WM_CTLCOLORSTATIC, COLOR_BTNFACE));
    COLORREF text = facts.enabled ? GetTextColor(dc) : c.disabledText;

    UINT type = facts.style & BS_TYPEMASK;
    bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
    unsigned look = 0;
    if (!facts.enabled)
        look |= SkinDisabled;
    if (facts.state & BST_PUSHED)
        look |= SkinPressed;
    if (s.hotPart)
        look |= SkinHot;
    if (facts.state & BST_CHECKED)
        look |= SkinChecked;
    if ((facts.state & BST_INDETERMINATE) && (type == BS_3STATE || type == BS_AUTO3STATE))
        look |= SkinMixed;

    int height = client.bottom - client.top;
    bool boxOnRight = (facts.style & BS_LEFTTEXT) != 0;
    int boxLeft = boxOnRight ? client.right - SkinBoxSize : client.left;
    int boxTop;
    switch (facts.style & BS_VCENTER) {
    case BS_TOP:
        boxTop = client.top + 1;
        break;
    case BS_BOTTOM:
        boxTop = client.bottom - SkinBoxSize - 1;
        break;
    default:
        boxTop = client.top + (height - SkinBoxSize) / 2;
    }
    if (radio)
        DrawRadioButton(dc, boxLeft, boxTop, c, look);
    else
        DrawCheckBox(dc, boxLeft, boxTop, c, look);

    const int gap = 4;
    RECT area = client;
    if (boxOnRight)
        area.right -= SkinBoxSize + gap;
    else
        area.left += SkinBoxSize + gap;
    Caption caption(s.window);
    if (caption.Empty())
        return;
    SelectObject(dc, FontOf(s.window));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text);
    bool rightAligned = (GetWindowLongA(s.window, GWL_EXSTYLE) & WS_EX_RIGHT) != 0;
    RECT placed = DrawCaption(dc, caption, area, facts.style, rightAligned ? DT_RIGHT : DT_LEFT,
                              facts.hidePrefix);
    if ((facts.state & BST_FOCUS) && !facts.hideFocus) {
        InflateRect(&placed, 1, 1);
        DrawFocus(dc, placed, client);
    }
}

struct GroupLayout {
    int lineHeight; // the caption's band at the top
    int captionLeft, captionWidth;
};

GroupLayout LayOutGroup(HDC dc, const Caption &caption, const RECT &client, LONG style) {
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    GroupLayout layout = {metrics.tmHeight, 0, 0};
    if (!caption.Empty()) {
        RECT measured = {0, 0, 0, 0};
        DrawTextW(dc, caption.text, -1, &measured, DT_SINGLELINE | DT_CALCRECT);
        layout.captionWidth = measured.right;
    }
    int width = client.right - client.left;
    const int indent = 8;
    switch (style & BS_CENTER) {
    case BS_RIGHT:
        layout.captionLeft = client.right - indent - layout.captionWidth;
        break;
    case BS_CENTER:
        layout.captionLeft = client.left + (width - layout.captionWidth) / 2;
        break;
    default:
        layout.captionLeft = client.left + indent;
    }
    return layout;
}

void PaintGroupBox(Skinned &s, HDC dc, const RECT &client, const GroupLayout &layout,
                   const Caption &caption, const ButtonFacts &facts) {
    const SkinColours &c = *facts.colours;
    FillRect(dc, &client, ParentBrush(s.window, dc, WM_CTLCOLORSTATIC, COLOR_BTNFACE));
    RECT frame = client;
    frame.top += layout.lineHeight / 2;
    DrawRoundedFrame(dc, frame, c.groupFrame);
    if (caption.Empty())
        return;
    RECT band = {layout.captionLeft - 2, client.top, layout.captionLeft + layout.captionWidth + 2,
                 client.top + layout.lineHeight};
    FillRect(dc, &band, ParentBrush(s.window, dc, WM_CTLCOLORSTATIC, COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, facts.enabled ? c.groupText : c.disabledText);
    RECT text = {layout.captionLeft, client.top, band.right - 2, band.bottom};
    DrawTextW(dc, caption.text, -1, &text,
              DT_SINGLELINE | DT_LEFT | (facts.hidePrefix ? DT_HIDEPREFIX : 0));
}

void PaintButton(Skinned &s, HDC target) {
    RECT client;
    GetClientRect(s.window, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    ButtonFacts facts;
    facts.style = GetWindowLongA(s.window, GWL_STYLE);
    facts.state = Forward(s, BM_GETSTATE, 0, 0);
    facts.enabled = IsWindowEnabled(s.window) != 0;
    LRESULT ui = Forward(s, WM_QUERYUISTATE, 0, 0);
    facts.hidePrefix = (ui & UISF_HIDEACCEL) != 0;
    facts.hideFocus = (ui & UISF_HIDEFOCUS) != 0;
    facts.colours = &SkinColoursOf(g_scheme);

    ClipToControl clip(target, client);
    OffscreenCanvas canvas(target, client.right, client.bottom);
    HDC dc = canvas.Dc();
    UINT type = facts.style & BS_TYPEMASK;
    if (type == BS_GROUPBOX) {
        Caption caption(s.window);
        SelectObject(dc, FontOf(s.window));
        GroupLayout layout = LayOutGroup(dc, caption, client, facts.style);
        // The inside belongs to the controls in the group.
        ExcludeClipRect(target, client.left + 2, client.top + layout.lineHeight, client.right - 2,
                        client.bottom - 2);
        PaintGroupBox(s, dc, client, layout, caption, facts);
    } else if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || (facts.style & BS_PUSHLIKE)) {
        PaintPushButton(s, dc, client, facts);
    } else {
        PaintCheckButton(s, dc, client, facts);
    }
    canvas.Show();
}

void SetHotPart(Skinned &s, int part) {
    if (part && !s.trackingLeave) {
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, s.window, 0};
        s.trackingLeave = TrackMouseEvent(&track) != 0;
    }
    if (part != s.hotPart) {
        s.hotPart = part;
        InvalidateRect(s.window, nullptr, FALSE);
    }
}

// WM_PAINT (into the given DC, or the window's own) and WM_PRINTCLIENT.
LRESULT PaintMessage(Skinned &s, UINT message, WPARAM wParam, void (*paint)(Skinned &, HDC)) {
    if (message == WM_PRINTCLIENT || wParam) {
        paint(s, reinterpret_cast<HDC>(wParam));
        return 0;
    }
    PAINTSTRUCT ps;
    if (HDC dc = BeginPaint(s.window, &ps))
        paint(s, dc);
    EndPaint(s.window, &ps);
    return 0;
}

POINT PointOf(LPARAM lParam) {
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

LRESULT ButtonMessage(Skinned &s, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!SkinnedButtonType(GetWindowLongA(s.window, GWL_STYLE)))
        return Forward(s, message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintMessage(s, message, wParam, PaintButton);
    case WM_ERASEBKGND:
        return 1; // the paint covers everything
    case WM_MOUSEMOVE: {
        RECT client;
        GetClientRect(s.window, &client);
        POINT at = PointOf(lParam);
        SetHotPart(s, PtInRect(&client, at) ? 1 : 0);
        // Held down, the button follows the mouse in and out.
        if (GetCapture() == s.window)
            return ThenRepaint(s, message, wParam, lParam);
        return Forward(s, message, wParam, lParam);
    }
    case WM_MOUSELEAVE:
        s.trackingLeave = false;
        SetHotPart(s, 0);
        return Forward(s, message, wParam, lParam);
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (wParam == VK_SPACE)
            return ThenRepaint(s, message, wParam, lParam);
        return Forward(s, message, wParam, lParam);
    case WM_ENABLE:
        if (!wParam)
            s.hotPart = 0;
        return ThenRepaint(s, message, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_SETTEXT:
    case WM_SETFONT:
    case WM_UPDATEUISTATE:
    case BM_SETSTATE:
    case BM_SETCHECK:
    case BM_SETSTYLE:
    case BM_SETIMAGE:
        return ThenRepaint(s, message, wParam, lParam);
    }
    return Forward(s, message, wParam, lParam);
}

// ---- Edit fields, drop-down lists ----

// The field's own background, as the standard control asks its parent.
HBRUSH FieldBrush(const Skinned &s, HDC dc) {
    if (s.kind == ControlKind::ComboList)
        return GetSysColorBrush(COLOR_WINDOW);
    bool plain = IsWindowEnabled(s.window) != 0;
    if (s.kind == ControlKind::Edit && (GetWindowLongA(s.window, GWL_STYLE) & ES_READONLY))
        plain = false;
    return ParentBrush(s.window, dc, plain ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC,
                       plain ? COLOR_WINDOW : COLOR_BTNFACE);
}

// An up-down control set on its buddy field's side covers that side's edge
// and draws the frame on from there: the field leaves that part alone, so
// the look does not depend on which of the two paints last.
void LeaveEdgeToUpDowns(HWND field, const RECT &fieldRect, HDC windowDc) {
    HWND parent = GetParent(field);
    if (!parent)
        return;
    for (HWND sibling = GetWindow(parent, GW_CHILD); sibling;
         sibling = GetWindow(sibling, GW_HWNDNEXT)) {
        char name[32];
        if (!IsWindowVisible(sibling) || !GetClassNameA(sibling, name, sizeof name) ||
            lstrcmpiA(name, UPDOWN_CLASSA) != 0 ||
            !(GetWindowLongA(sibling, GWL_STYLE) & (UDS_ALIGNLEFT | UDS_ALIGNRIGHT)) ||
            reinterpret_cast<HWND>(SendMessageA(sibling, UDM_GETBUDDY, 0, 0)) != field)
            continue;
        RECT place;
        GetWindowRect(sibling, &place);
        OffsetRect(&place, -fieldRect.left, -fieldRect.top);
        ExcludeClipRect(windowDc, place.left, place.top, place.right, place.bottom);
    }
}

// The standard sunken edge becomes the scheme's one-pixel line with the
// field's background in the rest of the edge's width.
LRESULT PaintFieldFrame(Skinned &s, WPARAM region) {
    HWND window = s.window;
    LONG style = GetWindowLongA(window, GWL_STYLE);
    LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    int edge = ((exStyle & WS_EX_CLIENTEDGE) ? 2 : 0) + ((exStyle & WS_EX_STATICEDGE) ? 1 : 0) +
               ((style & WS_BORDER) ? 1 : 0);
    if (edge == 0)
        return Forward(s, WM_NCPAINT, region, 0);
    RECT outer;
    GetWindowRect(window, &outer);
    if (style & (WS_HSCROLL | WS_VSCROLL)) {
        // The scroll bars are the standard's to draw; the edge is ours.
        RECT inner = outer;
        InflateRect(&inner, -edge, -edge);
        HRGN rest = CreateRectRgnIndirect(&inner);
        if (rest) {
            if (region > 1)
                CombineRgn(rest, rest, reinterpret_cast<HRGN>(region), RGN_AND);
            Forward(s, WM_NCPAINT, reinterpret_cast<WPARAM>(rest), 0);
            DeleteObject(rest);
        }
    }
    HDC dc = GetWindowDC(window);
    if (!dc)
        return 0;
    LeaveEdgeToUpDowns(window, outer, dc);
    const SkinColours &c = SkinColoursOf(g_scheme);
    RECT frame = {0, 0, outer.right - outer.left, outer.bottom - outer.top};
    DrawFrame(dc, frame, IsWindowEnabled(window) ? c.fieldBorder : c.disabledBorder);
    HBRUSH background = FieldBrush(s, dc);
    for (int i = 1; i < edge; ++i) {
        InflateRect(&frame, -1, -1);
        FrameRect(dc, &frame, background);
    }
    ReleaseDC(window, dc);
    return 0;
}

LRESULT FieldMessage(Skinned &s, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCPAINT:
        return PaintFieldFrame(s, wParam);
    case WM_ENABLE: {
        LRESULT result = Forward(s, message, wParam, lParam);
        RedrawWindow(s.window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
        return result;
    }
    }
    return Forward(s, message, wParam, lParam);
}

// ---- Combo boxes ----

// The standard control paints into the bitmap; its edge and its drop-down
// button are then drawn over in the themed look.
void PaintComboBox(Skinned &s, HDC target) {
    HWND window = s.window;
    RECT client;
    GetClientRect(window, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    COMBOBOXINFO info = {};
    info.cbSize = sizeof info;
    bool haveInfo = GetComboBoxInfo(window, &info) != 0;

    ClipToControl clip(target, client);
    // The edit field inside paints itself.
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child)) {
            RECT place;
            GetWindowRect(child, &place);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&place), 2);
            ExcludeClipRect(target, place.left, place.top, place.right, place.bottom);
        }
    OffscreenCanvas canvas(target, client.right, client.bottom);
    HDC dc = canvas.Dc();
    FillRect(dc, &client, FieldBrush(s, dc));
    Forward(s, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);

    const SkinColours &c = SkinColoursOf(g_scheme);
    bool enabled = IsWindowEnabled(window) != 0;
    DrawFrame(dc, client, enabled ? c.fieldBorder : c.disabledBorder);
    RECT ring = client;
    InflateRect(&ring, -1, -1);
    FrameRect(dc, &ring, FieldBrush(s, dc));
    if (haveInfo && !(info.stateButton & STATE_SYSTEM_INVISIBLE)) {
        unsigned look = 0;
        if (!enabled)
            look |= SkinDisabled;
        if (info.stateButton & STATE_SYSTEM_PRESSED)
            look |= SkinPressed;
        if (s.hotPart)
            look |= SkinHot;
        DrawArrowButton(dc, info.rcButton, c, look, SkinArrow::Down);
    }
    canvas.Show();
}

LRESULT ComboMessage(Skinned &s, UINT message, WPARAM wParam, LPARAM lParam) {
    // A simple combo box is an edit field over a list: both are covered.
    if ((GetWindowLongA(s.window, GWL_STYLE) & 3) == CBS_SIMPLE)
        return Forward(s, message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintMessage(s, message, wParam, PaintComboBox);
    case WM_MOUSEMOVE: {
        LRESULT result = Forward(s, message, wParam, lParam);
        COMBOBOXINFO info = {};
        info.cbSize = sizeof info;
        POINT at = PointOf(lParam);
        SetHotPart(s, GetComboBoxInfo(s.window, &info) && PtInRect(&info.rcButton, at) ? 1 : 0);
        return result;
    }
    case WM_MOUSELEAVE:
        s.trackingLeave = false;
        SetHotPart(s, 0);
        return Forward(s, message, wParam, lParam);
    }
    return Forward(s, message, wParam, lParam);
}

// ---- Up-down controls ----

struct UpDownLayout {
    RECT first, second; // up and down, or left and right
    bool horizontal;
    bool joinsBuddy; // continues the frame of the field beside it
};

UpDownLayout LayOutUpDown(const Skinned &s, const RECT &client) {
    LONG style = GetWindowLongA(s.window, GWL_STYLE);
    UpDownLayout layout;
    layout.horizontal = (style & UDS_HORZ) != 0;
    HWND buddy = reinterpret_cast<HWND>(Forward(s, UDM_GETBUDDY, 0, 0));
    layout.joinsBuddy = buddy && (style & (UDS_ALIGNLEFT | UDS_ALIGNRIGHT)) &&
                        (GetWindowLongA(buddy, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    RECT area = client;
    if (layout.joinsBuddy) {
        area.top += 2;
        area.bottom -= 2;
        if (style & UDS_ALIGNLEFT)
            area.left += 2;
        else
            area.right -= 2;
    }
    layout.first = layout.second = area;
    if (layout.horizontal)
        layout.first.right = layout.second.left = area.left + (area.right - area.left) / 2;
    else
        layout.first.bottom = layout.second.top = area.top + (area.bottom - area.top) / 2;
    return layout;
}

int UpDownPartAt(const Skinned &s, LPARAM lParam) {
    RECT client;
    GetClientRect(s.window, &client);
    POINT at = PointOf(lParam);
    if (!PtInRect(&client, at))
        return 0;
    UpDownLayout layout = LayOutUpDown(s, client);
    if (layout.horizontal)
        return at.x < layout.first.right ? 1 : 2;
    return at.y < layout.first.bottom ? 1 : 2;
}

void PaintUpDown(Skinned &s, HDC target) {
    HWND window = s.window;
    RECT client;
    GetClientRect(window, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    ClipToControl clip(target, client);
    OffscreenCanvas canvas(target, client.right, client.bottom);
    HDC dc = canvas.Dc();
    const SkinColours &c = SkinColoursOf(g_scheme);
    UpDownLayout layout = LayOutUpDown(s, client);
    bool enabled = IsWindowEnabled(window) != 0;
    if (layout.joinsBuddy) {
        HWND buddy = reinterpret_cast<HWND>(Forward(s, UDM_GETBUDDY, 0, 0));
        bool plain = IsWindowEnabled(buddy) && !(GetWindowLongA(buddy, GWL_STYLE) & ES_READONLY);
        FillRect(dc, &client,
                 ParentBrush(window, dc, plain ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC,
                             plain ? COLOR_WINDOW : COLOR_BTNFACE));
        COLORREF line = IsWindowEnabled(buddy) ? c.fieldBorder : c.disabledBorder;
        bool left = (GetWindowLongA(window, GWL_STYLE) & UDS_ALIGNLEFT) != 0;
        FillSolid(dc, {client.left, client.top, client.right, client.top + 1}, line);
        FillSolid(dc, {client.left, client.bottom - 1, client.right, client.bottom}, line);
        if (left)
            FillSolid(dc, {client.left, client.top, client.left + 1, client.bottom}, line);
        else
            FillSolid(dc, {client.right - 1, client.top, client.right, client.bottom}, line);
    } else {
        FillRect(dc, &client, ParentBrush(window, dc, WM_CTLCOLORBTN, COLOR_BTNFACE));
    }
    for (int part = 1; part <= 2; ++part) {
        unsigned look = 0;
        if (!enabled)
            look |= SkinDisabled;
        if (s.pressedPart == part)
            look |= SkinPressed;
        if (s.hotPart == part)
            look |= SkinHot;
        SkinArrow arrow = layout.horizontal ? (part == 1 ? SkinArrow::Left : SkinArrow::Right)
                                            : (part == 1 ? SkinArrow::Up : SkinArrow::Down);
        DrawArrowButton(dc, part == 1 ? layout.first : layout.second, c, look, arrow);
    }
    canvas.Show();
}

LRESULT UpDownMessage(Skinned &s, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintMessage(s, message, wParam, PaintUpDown);
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (IsWindowEnabled(s.window))
            s.pressedPart = UpDownPartAt(s, lParam);
        LRESULT result = Forward(s, message, wParam, lParam);
        if (GetCapture() != s.window)
            s.pressedPart = 0;
        InvalidateRect(s.window, nullptr, FALSE);
        return result;
    }
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
    case WM_ENABLE: {
        s.pressedPart = 0;
        LRESULT result = Forward(s, message, wParam, lParam);
        InvalidateRect(s.window, nullptr, FALSE);
        return result;
    }
    case WM_MOUSEMOVE: {
        LRESULT result = Forward(s, message, wParam, lParam);
        SetHotPart(s, UpDownPartAt(s, lParam));
        return result;
    }
    case WM_MOUSELEAVE:
        s.trackingLeave = false;
        SetHotPart(s, 0);
        return Forward(s, message, wParam, lParam);
    }
    return Forward(s, message, wParam, lParam);
}

// ---- The subclass procedure ----

LRESULT SkinMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool unicode) {
    Skinned *s = Find(window);
    if (!s)
        return unicode ? DefWindowProcW(window, message, wParam, lParam)
                       : DefWindowProcA(window, message, wParam, lParam);
    ++s->calls;
    LRESULT result;
    if (message == WM_NCDESTROY) {
        result = Forward(*s, message, wParam, lParam);
        Release(s);
    } else if (!s->active) {
        result = Forward(*s, message, wParam, lParam);
    } else {
        switch (s->kind) {
        case ControlKind::Button:
            result = ButtonMessage(*s, message, wParam, lParam);
            break;
        case ControlKind::Edit:
        case ControlKind::ComboList:
            result = FieldMessage(*s, message, wParam, lParam);
            break;
        case ControlKind::ComboBox:
            result = ComboMessage(*s, message, wParam, lParam);
            break;
        case ControlKind::UpDown:
            result = UpDownMessage(*s, message, wParam, lParam);
            break;
        default:
            result = Forward(*s, message, wParam, lParam);
        }
    }
    if (--s->calls == 0 && s->released)
        HeapFree(GetProcessHeap(), 0, s);
    return result;
}

LRESULT CALLBACK SkinProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return SkinMessage(window, message, wParam, lParam, false);
}

LRESULT CALLBACK SkinProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return SkinMessage(window, message, wParam, lParam, true);
}

void SwitchOff() {
    UnhookWindowsHookEx(g_createHook);
    UnhookWindowsHookEx(g_sendHook);
    g_createHook = g_sendHook = nullptr;
    g_scheme = 0;
    for (Skinned *s = g_skinned, *next; s; s = next) {
        next = s->next;
        HWND window = s->window;
        Unsubclass(s);
        Redraw(window);
    }
}

} // namespace

void SetThemedLook(int scheme) {
    int next = (scheme >= 1 && scheme <= 3) ? scheme : 0;
    if (next == g_scheme)
        return;
    if (next == 0)
        return SwitchOff();
    if (g_scheme == 0) {
        DWORD thread = GetCurrentThreadId();
        g_createHook = SetWindowsHookExA(WH_CBT, OnThreadWindowEvent, nullptr, thread);
        g_sendHook = SetWindowsHookExA(WH_CALLWNDPROC, OnThreadSentMessage, nullptr, thread);
        if (!g_createHook || !g_sendHook) {
            // Without its hooks the look could neither follow new controls
            // nor hold back the standard drawing safely: keep the standard.
            if (g_createHook)
                UnhookWindowsHookEx(g_createHook);
            if (g_sendHook)
                UnhookWindowsHookEx(g_sendHook);
            g_createHook = g_sendHook = nullptr;
            return;
        }
        g_scheme = next;
        EnumThreadWindows(thread, SubclassWithChildren, 0);
    }
    g_scheme = next;
    for (Skinned *s = g_skinned, *after; s; s = after) {
        after = s->next;
        if (s->active)
            Redraw(s->window);
    }
}

int ThemedLookScheme() {
    return g_scheme;
}

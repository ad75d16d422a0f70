#include "KestPopupMenu.h"

#include "framework/dc.h"
#include "framework/gdi_objects.h"
#include "framework/window.h"
#include "KestDraw.h"
#include "KestTheme.h"

namespace {

constexpr int kTextPaddingX = 14;
constexpr int kTextPaddingY = 4;
constexpr int kMinimumItemHeight = 20;
constexpr int kMinimumItemWidth = 120;

}  // namespace

// The window that owns the menu while it is shown: the system sends it the measure and
// draw requests of the owner-drawn items. It is never visible.
class KestPopupMenu::Host : public fw::Window {
public:
    Host(const std::vector<Item>& items, HFONT font) : items_(items), font_(font) {}

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case WM_MEASUREITEM: {
            auto& measure = *reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            if (measure.CtlType != ODT_MENU) break;
            Measure(measure);
            return TRUE;
        }
        case WM_DRAWITEM: {
            const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            if (draw.CtlType != ODT_MENU) break;
            Draw(draw);
            return TRUE;
        }
        }
        return fw::Window::WindowProc(msg, wp, lp);
    }

private:
    const Item* ItemOf(ULONG_PTR data) const { return data < items_.size() ? &items_[data] : nullptr; }

    void Measure(MEASUREITEMSTRUCT& measure) const {
        const Item* item = ItemOf(measure.itemData);
        SIZE size{0, 0};
        fw::ClientDC dc(hwnd());
        {
            fw::SelectObjectGuard font(dc, font_);
            if (item) ::GetTextExtentPoint32A(dc, item->text.c_str(), static_cast<int>(item->text.size()), &size);
        }
        measure.itemWidth = std::max<UINT>(kMinimumItemWidth, size.cx + 2 * kTextPaddingX);
        measure.itemHeight = std::max<UINT>(kMinimumItemHeight, size.cy + 2 * kTextPaddingY);
    }

    void Draw(const DRAWITEMSTRUCT& draw) const {
        const Item* item = ItemOf(draw.itemData);
        const bool enabled = !(draw.itemState & (ODS_GRAYED | ODS_DISABLED));
        const bool hot = enabled && (draw.itemState & ODS_SELECTED);
        const RECT& r = draw.rcItem;
        if (hot)
            DrawGradientBox(draw.hDC, r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1,
                            KestTheme.buttonFace.start, KestTheme.buttonFace.end, KestTheme.buttonFace.direction);
        else
            FillSolidBox(draw.hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, KestTheme.windowBackground);
        if (!item) return;
        fw::SelectObjectGuard font(draw.hDC, font_);
        const int oldMode = ::SetBkMode(draw.hDC, TRANSPARENT);
        const COLORREF oldColour = ::SetTextColor(
            draw.hDC, enabled ? KestTheme.buttonFace.text : KestTheme.buttonFaceDisabled.text);
        RECT text = r;
        text.left += kTextPaddingX;
        ::DrawTextA(draw.hDC, item->text.c_str(), static_cast<int>(item->text.size()), &text,
                    DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
        ::SetTextColor(draw.hDC, oldColour);
        ::SetBkMode(draw.hDC, oldMode);
    }

    const std::vector<Item>& items_;
    HFONT font_;
};

void KestPopupMenu::AddItem(UINT id, const std::string& text, bool enabled) {
    items_.push_back(Item{id, text, enabled});
}

UINT KestPopupMenu::Track(HWND owner, POINT screen) {
    HFONT font = owner ? reinterpret_cast<HFONT>(::SendMessageA(owner, WM_GETFONT, 0, 0)) : nullptr;
    if (!font) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    Host host(items_, font);
    RECT nowhere{0, 0, 0, 0};
    if (!host.CreateEx(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, nowhere, owner, 0)) return 0;

    HMENU menu = ::CreatePopupMenu();
    if (!menu) return 0;
    for (size_t i = 0; i < items_.size(); ++i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING | MIIM_DATA;
        info.fType = MFT_OWNERDRAW;
        info.fState = items_[i].enabled ? MFS_ENABLED : MFS_DISABLED;
        info.wID = items_[i].id;
        info.dwItemData = i;
        info.dwTypeData = const_cast<char*>(items_[i].text.c_str());
        ::InsertMenuItemA(menu, static_cast<UINT>(i), TRUE, &info);
    }
    // The menu's own background (around the items) in the window colour as well.
    fw::Brush background(::CreateSolidBrush(KestTheme.windowBackground));
    MENUINFO look{};
    look.cbSize = sizeof look;
    look.fMask = MIM_BACKGROUND;
    look.hbrBack = background;
    ::SetMenuInfo(menu, &look);

    const UINT chosen = static_cast<UINT>(::TrackPopupMenuEx(
        menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, screen.x, screen.y, host.hwnd(), nullptr));
    ::DestroyMenu(menu);
    return chosen;
}

// KestPopupMenu: a context menu drawn in the dark theme. Its items are owner-drawn on
// the window background, the item under the cursor on the button face's gradient and
// disabled items in the disabled button text, so no part of it shows the system's look.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class KestPopupMenu {
public:
    // Command ids must be non-zero: 0 is what Track returns when nothing was chosen.
    void AddItem(UINT id, const std::string& text, bool enabled = true);

    // Shows the menu with its upper-left corner at the screen point, in owner's font,
    // and returns the chosen item's id, or 0 when it was closed without a choice.
    // Runs the system's menu loop; the items' texts stay in the menu too, so the
    // keyboard can pick an item by its first letter.
    UINT Track(HWND owner, POINT screen);

private:
    struct Item {
        UINT id;
        std::string text;
        bool enabled;
    };
    class Host;

    std::vector<Item> items_;
};

// KestListView: the job list drawn in the dark theme: striped rows, white text, a
// coloured status column, its own header and two bitmap scroll bars beside it. The
// mouse wheel moves the selection instead of scrolling.
#pragma once

#include <map>

#include "framework/list_ctrl.h"
#include "framework/window.h"
#include "KestHorizontalScrollbar_ListView.h"
#include "KestListViewHeader.h"
#include "KestPalette.h"
#include "KestVerticleScrollbar_ListView.h"

class KestListView : public fw::ListCtrlT<fw::Window> {
public:
    // Posted to itself on attach: the header window exists only once the list runs.
    static constexpr UINT kAttachHeaderMessage = 0x750;
    static constexpr int kStatusColumn = 1;
    static constexpr UINT kScrollbarId = 65535;

    // Creates both scroll bars beside the list (children of its parent) and hides the
    // list's own.
    void AttachScrollBars();
    void PositionScrollBars();
    void SetRowStatusColour(int row, COLORREF colour) { statusColours_[row] = colour; }
    // The column drawn in the rows' status colours; -1 for none, every column white.
    void SetStatusColumn(int column) { statusColumn_ = column; }
    // The Status text colour of row (kListStatusDefault when none was set).
    COLORREF RowStatusColour(int row) const {
        auto it = statusColours_.find(row);
        return it == statusColours_.end() ? kListStatusDefault : it->second;
    }
    void ClearRowStatusColours() { statusColours_.clear(); }

    KestListViewHeader& Header() { return header_; }
    KestVerticleScrollbar_ListView& VerticalBar() { return verticalBar_; }
    KestHorizontalScrollbar_ListView& HorizontalBar() { return horizontalBar_; }

    // The index of the main window's next row; the list itself never reads it.
    int rowCounter = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void PreSubclassWindow() override;

private:
    void PaintRowStripes(HDC dc);
    void PaintBorder();
    void MoveSelectionByWheel(int delta);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
    void UpdateThumbs();

    KestListViewHeader header_;
    std::map<int, COLORREF> statusColours_;
    int statusColumn_ = kStatusColumn;
    KestVerticleScrollbar_ListView verticalBar_;
    KestHorizontalScrollbar_ListView horizontalBar_;
};

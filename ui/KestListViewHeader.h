// KestListViewHeader: the job list's flat grey header in a small pixel font.
#pragma once

#include "framework/gdi_objects.h"
#include "framework/header_ctrl.h"
#include "framework/window.h"

class KestListViewHeader : public fw::HeaderCtrlT<fw::Window> {
public:
    KestListViewHeader();

    HFONT Font() const { return font_; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Paint();

    fw::Font font_;
};

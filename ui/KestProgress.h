// KestProgress: a progress bar drawn as a green vertical gradient filled to the
// current percentage, with the percentage written over it. The platform control's
// own range and position are not used.
#pragma once

#include <string>

#include "framework/progress_ctrl.h"
#include "framework/window.h"
#include "KestTheme.h"

class KestProgress : public fw::ProgressCtrlT<fw::Window> {
public:
    KestProgress();

    void SetBounds(int lower, int upper) { lower_ = lower; upper_ = upper; }
    int Lower() const { return lower_; }
    int Upper() const { return upper_; }
    // Positions outside the bounds are dropped; returns whether pos was taken.
    bool SetPosition(int pos);
    int Position() const { return position_; }

    // The whole percent the position stands for (0 when the bounds are equal).
    int Percent() const;
    // "" at position 0, else the percent followed by "%".
    std::string PercentText() const;
    // The right edge of the gradient for a bar whose client area is clientRight wide.
    int FillEdge(int clientRight) const;

    // Set by the owner once the window exists.
    bool created = false;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Paint();

    int lower_ = 0;
    int upper_ = 0;
    int position_ = 0;
    ThemeColour16 bottomColour_;
    ThemeColour16 topColour_;
};

// KestThemeManger: fills the theme record and makes the caption font.
#pragma once

#include <windows.h>

class KestThemeManger {
public:
    virtual ~KestThemeManger() = default;

    // Fills KestTheme; call once before the first themed window is created.
    void SetUpTheme();
    // Makes the caption title font ("Times New Roman", height 16); the caller keeps it.
    static HFONT CreateCaptionFont();
};

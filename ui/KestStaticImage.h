// KestStaticImage: a static control showing a 64 x 64 picture with one colour made
// transparent (the colour of its pixel at 1, 1), so that it sits on the dialog
// background without a box around it.
#pragma once

#include "framework/gdi_objects.h"
#include "framework/static_ctrl.h"
#include "framework/window.h"

class KestStaticImage : public fw::StaticT<fw::Window> {
public:
    static constexpr int kPictureSize = 64;

    // The control keeps the bitmap and releases it with itself.
    void SetImage(HBITMAP image);
    bool LoadImage(UINT resourceId);
    HBITMAP Image() const { return image_; }

    // Makes the mask from the image and turns the image's key colour black; call
    // after the image is set and before the first paint that should show it.
    void BuildMask();
    bool MaskReady() const { return maskReady_; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void PaintTransparent(HDC dc) const;

    fw::Bitmap image_;
    fw::Bitmap mask_;
    bool maskReady_ = false;
};

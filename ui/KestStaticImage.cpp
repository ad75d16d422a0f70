#include "KestStaticImage.h"

#include "framework/application.h"
#include "framework/dc.h"

namespace {
// Pixel (1, 1) is inside the picture's background, clear of any border line.
constexpr int kKeyPixel = 1;
constexpr COLORREF kMaskWhite = RGB(255, 255, 255);
constexpr COLORREF kMaskBlack = RGB(0, 0, 0);
}  // namespace

void KestStaticImage::SetImage(HBITMAP image) {
    image_.reset(image);
    mask_.reset();
    maskReady_ = false;
}

bool KestStaticImage::LoadImage(UINT resourceId) {
    SetImage(::LoadBitmapA(fw::Application::ResourceInstance(), MAKEINTRESOURCEA(resourceId)));
    return image_ != nullptr;
}

void KestStaticImage::BuildMask() {
    BITMAP info{};
    // A missing image leaves the control as a plain static.
    if (!image_ || !::GetObjectA(image_, sizeof(info), &info)) return;
    int w = info.bmWidth, h = info.bmHeight;
    mask_.reset(::CreateBitmap(w, h, 1, 1, nullptr));
    if (!mask_) return;

    fw::MemoryDC imageDc(nullptr);
    fw::MemoryDC maskDc(nullptr);
    {
        fw::SelectObjectGuard useImage(imageDc, image_);
        fw::SelectObjectGuard useMask(maskDc, mask_);
        // Colour to monochrome: pixels of the background colour become 1, the rest 0.
        COLORREF oldBk = imageDc.SetBkColor(::GetPixel(imageDc, kKeyPixel, kKeyPixel));
        maskDc.BitBlt(0, 0, w, h, imageDc, 0, 0, SRCCOPY);
        // Monochrome to colour: 1 takes the background colour, 0 the text colour, so
        // the key pixels turn black and the others keep their colour.
        COLORREF oldText = imageDc.SetTextColor(kMaskWhite);
        imageDc.SetBkColor(kMaskBlack);
        imageDc.BitBlt(0, 0, w, h, maskDc, 0, 0, SRCAND);
        imageDc.SetTextColor(oldText);
        imageDc.SetBkColor(oldBk);
    }
    maskReady_ = true;
}

LRESULT KestStaticImage::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT && maskReady_) {
        {
            fw::PaintDC dc(hwnd());
            PaintTransparent(dc);
        }
        return Default(msg, wp, lp);
    }
    return fw::StaticT<fw::Window>::WindowProc(msg, wp, lp);
}

void KestStaticImage::PaintTransparent(HDC target) const {
    fw::DC dc(target);
    fw::MemoryDC imageDc(target);
    fw::MemoryDC maskDc(target);
    fw::SelectObjectGuard useImage(imageDc, image_);
    fw::SelectObjectGuard useMask(maskDc, mask_);
    // The mask's 1 bits must keep the background and its 0 bits clear it.
    COLORREF oldText = dc.SetTextColor(kMaskBlack);
    COLORREF oldBk = dc.SetBkColor(kMaskWhite);
    dc.BitBlt(0, 0, kPictureSize, kPictureSize, maskDc, 0, 0, SRCAND);
    dc.BitBlt(0, 0, kPictureSize, kPictureSize, imageDc, 0, 0, SRCPAINT);
    dc.SetTextColor(oldText);
    dc.SetBkColor(oldBk);
}

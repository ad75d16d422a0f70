// KestHyperlink: a static control drawn as a thin, underlined teal link with a hand
// cursor; a click opens its address in the system's default handler.
#pragma once

#include <string>

#include "framework/gdi_objects.h"
#include "framework/static_ctrl.h"
#include "framework/window.h"

class KestHyperlink : public fw::StaticT<fw::Window> {
public:
    static constexpr const char* kDefaultAddress = "https://vandrel.example.org/";

    KestHyperlink();

    void SetAddress(const std::string& address) { address_ = address; }
    const std::string& Address() const { return address_; }
    HCURSOR Cursor() const { return cursor_; }
    HFONT Font() const { return font_; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void PreSubclassWindow() override;
    // Hands the address to the shell.
    virtual void OpenAddress();

private:
    void Paint();

    // The system's shared hand cursor: never destroyed by us.
    HCURSOR cursor_ = nullptr;
    fw::Font font_;
    std::string address_ = kDefaultAddress;
};

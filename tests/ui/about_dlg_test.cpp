// The About box: the version as it is shown, its text, picture and link, and
// every way out of it. Each box runs in its own modal loop, where the box answerer
// does what the test asks.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "KestAboutDlg.h"
#include "themed_test_dialog.h"
#include "ui_test_support.h"

namespace {

using BoxAction = std::function<void(HWND box)>;

void RunAbout(const std::string& text, BoxAction act, const char* name) {
    SCOPED_TRACE(name);
    uitest::EnsureThemedUi();
    KestAboutDlg about(text, nullptr);
    uitest::AnswerOneBox("About", act, [&] { about.DoModal(nullptr); });
}

void ClickOk(HWND box) { ::SendMessageA(::GetDlgItem(box, IDC_ABOUT_OK), BM_CLICK, 0, 0); }

TEST(AboutBox, VersionHasOneDigitAfterThePoint) {
    const struct {
        double version;
        const char* shown;
    } cases[] = {
        {1.02f, "1.0"}, {1.0, "1.0"}, {1.15f, "1.1"}, {1.25, "1.2"}, {1.96, "2.0"}, {10.5f, "10.5"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.shown, AboutVersionText(c.version)) << c.version;
    const std::string text = AboutText(1.02f);
    EXPECT_EQ(0u, text.find("Made By: ")) << text;
    EXPECT_NE(std::string::npos, text.find("\n\nVersion: 1.0")) << text;
    EXPECT_EQ(text.size(), text.find("\n\nVersion: 1.0") + 14) << "the version ends the text";
}

TEST(AboutBox, ShowsItsTextPictureAndLink) {
    const std::string text = AboutText(1.02f);
    RunAbout(text, [&](HWND box) {
        char shown[512] = {};
        ::GetDlgItemTextA(box, IDC_ABOUT_TEXT, shown, sizeof shown);
        EXPECT_EQ(text, shown);

        auto* picture = dynamic_cast<KestStaticImage*>(fw::Window::FromHandle(::GetDlgItem(box, IDC_ABOUT_PICTURE)));
        ASSERT_NE(nullptr, picture);
        EXPECT_NE(nullptr, picture->Image());
        EXPECT_TRUE(picture->MaskReady());
        auto* link = dynamic_cast<KestHyperlink*>(fw::Window::FromHandle(::GetDlgItem(box, IDC_ABOUT_LINK)));
        ASSERT_NE(nullptr, link);
        EXPECT_EQ("https://vandrel.example.org/", link->Address());

        // The picture's corner takes the dialog's colour; its middle is the picture's.
        const uitest::Pixels p = uitest::CaptureWindow(box);
        uitest::SavePng(p, "about_box");
        RECT b, pic;
        ::GetWindowRect(box, &b);
        ::GetWindowRect(::GetDlgItem(box, IDC_ABOUT_PICTURE), &pic);
        const int x = pic.left - b.left, y = pic.top - b.top;
        EXPECT_EQ(KestTheme.windowBackground, p.At(x + 1, y + 1)) << uitest::ColourText(p.At(x + 1, y + 1));
        int pictured = 0;
        for (int dy = 16; dy < 48; ++dy)
            for (int dx = 16; dx < 48; ++dx) pictured += p.At(x + dx, y + dy) != KestTheme.windowBackground;
        EXPECT_GT(pictured, 32 * 32 / 2) << "the picture is painted";
        ClickOk(box);
    }, "inspect");
}

TEST(AboutBox, OkEscapeEnterAndTheCloseButtonsCloseIt) {
    const struct {
        const char* name;
        BoxAction act;
    } ways[] = {
        {"OK", &ClickOk},
        {"Escape", [](HWND box) { ::PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"Enter", [](HWND box) { ::PostMessageA(box, WM_KEYDOWN, VK_RETURN, 0); }},
        {"caption close", [](HWND box) { uitest::ClickCloseBox(box); }},
        {"system close", [](HWND box) { ::PostMessageA(box, WM_CLOSE, 0, 0); }},
    };
    for (const auto& way : ways) RunAbout(AboutText(1.02f), way.act, way.name);
}

}  // namespace

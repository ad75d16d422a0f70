// The framework's binding, dispatch, reflection and dialog lifetimes.
#include <gtest/gtest.h>

#include <stdexcept>

#include "framework/application.h"
#include "framework/button_ctrl.h"
#include "framework/dialog.h"
#include "import_patch.h"
#include "ui_test_support.h"

namespace {

constexpr UINT kThrowMessage = WM_APP + 1;
constexpr UINT kEndMessage = WM_APP + 2;

class CountingButton : public fw::ButtonT<fw::Window> {
public:
    int reflectedClicks = 0;
    int reflectedDraws = 0;
    bool consumeClicks = false;
    bool preSubclassSawHandle = false;

protected:
    void PreSubclassWindow() override { preSubclassSawHandle = hwnd() != nullptr; }
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) override {
        if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
            ++reflectedClicks;
            result = 0;
            return consumeClicks;
        }
        if (msg == WM_DRAWITEM) {
            ++reflectedDraws;
            result = TRUE;
            return true;
        }
        return false;
    }
};

class TestDialog : public fw::Dialog {
public:
    TestDialog() : fw::Dialog(100) {}
    CountingButton push, drawn;
    int initCalls = 0;
    int parentClicks = 0;
    int parentDraws = 0;
    bool sawCreate = false;
    bool* finalFlag = nullptr;

protected:
    BOOL OnInitDialog() override {
        ++initCalls;
        push.SubclassDlgItem(101, hwnd());
        drawn.SubclassDlgItem(102, hwnd());
        return TRUE;
    }
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case WM_CREATE:
            sawCreate = true;
            break;
        case WM_COMMAND:
            if (LOWORD(wp) == 101 && HIWORD(wp) == BN_CLICKED) ++parentClicks;
            break;
        case WM_DRAWITEM:
            ++parentDraws;
            break;
        case kThrowMessage:
            throw std::runtime_error("handler failed");
        case kEndMessage:
            EndDialog(static_cast<INT_PTR>(wp));
            return 0;
        }
        return fw::Dialog::WindowProc(msg, wp, lp);
    }
    void OnFinalMessage() override {
        if (finalFlag) *finalFlag = true;
    }
};

TEST(Framework, ModelessDialogIsBoundFromCreationAndInitialisedOnce) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_TRUE(dlg.sawCreate);
    EXPECT_EQ(1, dlg.initCalls);
    EXPECT_EQ(&dlg, fw::Window::FromHandle(dlg.hwnd()));
    EXPECT_EQ(&dlg.push, fw::Window::FromHandle(dlg.GetDlgItem(101)));
    EXPECT_TRUE(dlg.push.preSubclassSawHandle);
    ::DestroyWindow(dlg.hwnd());
}

TEST(Framework, ClickIsReflectedToTheButtonAndStillReachesTheParent) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.push.Click();
    EXPECT_EQ(1, dlg.push.reflectedClicks);
    EXPECT_EQ(1, dlg.parentClicks);

    dlg.push.consumeClicks = true;
    dlg.push.Click();
    EXPECT_EQ(2, dlg.push.reflectedClicks);
    EXPECT_EQ(1, dlg.parentClicks) << "a consumed reflection must not reach the parent";
    ::DestroyWindow(dlg.hwnd());
}

TEST(Framework, OwnerDrawRequestGoesToTheControlNotTheParent) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    uitest::ShowAndPaint(dlg.hwnd());
    EXPECT_GE(dlg.drawn.reflectedDraws, 1);
    EXPECT_EQ(0, dlg.parentDraws);
    ::DestroyWindow(dlg.hwnd());
}

TEST(Framework, ExceptionInAHandlerDoesNotReachTheSystem) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_EQ(0, dlg.Send(kThrowMessage));
    EXPECT_TRUE(dlg.IsWindow());
    ::DestroyWindow(dlg.hwnd());
}

TEST(Framework, DestroyedWindowIsUnboundAndGetsItsFinalMessage) {
    bool final = false;
    TestDialog dlg;
    dlg.finalFlag = &final;
    ASSERT_TRUE(dlg.Create(nullptr));
    HWND hwnd = dlg.hwnd();
    HWND button = dlg.GetDlgItem(101);
    ::DestroyWindow(hwnd);
    EXPECT_TRUE(final);
    EXPECT_EQ(nullptr, dlg.hwnd());
    EXPECT_EQ(nullptr, fw::Window::FromHandle(hwnd));
    EXPECT_EQ(nullptr, fw::Window::FromHandle(button));
}

class CreatedStatic : public fw::Window {
public:
    int ncCreates = 0;
    int creates = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_NCCREATE) ++ncCreates;
        if (msg == WM_CREATE) ++creates;
        return fw::Window::WindowProc(msg, wp, lp);
    }
};

TEST(Framework, CreatedWindowIsBoundBeforeItsFirstMessageAndDestroyedWithTheObject) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    HWND hwnd;
    {
        CreatedStatic child;
        ASSERT_TRUE(child.CreateEx(0, "STATIC", "x", WS_CHILD | WS_VISIBLE, RECT{0, 0, 20, 20}, dlg.hwnd(), 77));
        EXPECT_EQ(1, child.ncCreates);
        EXPECT_EQ(1, child.creates);
        hwnd = child.hwnd();
        EXPECT_EQ(hwnd, dlg.GetDlgItem(77));
    }
    EXPECT_FALSE(::IsWindow(hwnd)) << "a window the object created goes with it";

    fw::WindowHandle plain(dlg.GetDlgItem(103));
    {
        CountingButton bound;
        ASSERT_TRUE(bound.SubclassWindow(plain));
        EXPECT_FALSE(CountingButton().SubclassWindow(plain)) << "a window is bound to one object only";
    }
    EXPECT_TRUE(plain.IsWindow()) << "a subclassed window stays with its owner";
    EXPECT_EQ(nullptr, fw::Window::FromHandle(plain));
    ::DestroyWindow(dlg.hwnd());
}

// A dialog that makes two child windows of its own while it is being initialised.
class NestingDialog : public TestDialog {
public:
    CreatedStatic first, second;

protected:
    BOOL OnInitDialog() override {
        first.CreateEx(0, "STATIC", "a", WS_CHILD | WS_VISIBLE, RECT{0, 0, 20, 20}, hwnd(), 201);
        second.CreateEx(0, "STATIC", "b", WS_CHILD | WS_VISIBLE, RECT{20, 0, 40, 20}, hwnd(), 202);
        return TestDialog::OnInitDialog();
    }
};

TEST(Framework, WindowsCreatedDuringCreationAreBoundAndLeaveNoHookBehind) {
    uitest::HookLedger hooks;
    NestingDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_EQ(&dlg, fw::Window::FromHandle(dlg.hwnd()));
    EXPECT_EQ(&dlg.first, fw::Window::FromHandle(dlg.GetDlgItem(201)));
    EXPECT_EQ(&dlg.second, fw::Window::FromHandle(dlg.GetDlgItem(202)));
    EXPECT_EQ(1, dlg.first.ncCreates);
    EXPECT_EQ(1, dlg.second.creates);
    EXPECT_EQ(&dlg.push, fw::Window::FromHandle(dlg.GetDlgItem(101)));

    EXPECT_EQ(3, hooks.Installed()) << "one creation hook for the dialog and one per child";
    EXPECT_EQ(0, hooks.Live()) << "every creation hook is removed again";

    HWND unrelated = ::CreateWindowExA(0, "STATIC", "c", WS_CHILD, 0, 0, 10, 10, dlg.hwnd(), nullptr,
                                       ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, unrelated);
    EXPECT_EQ(nullptr, fw::Window::FromHandle(unrelated)) << "a later window is nobody's";
    ::DestroyWindow(dlg.hwnd());
}

TEST(Framework, ModalDialogReturnsTheValueGivenToEndDialog) {
    TestDialog dlg;
    ::PostThreadMessageA(::GetCurrentThreadId(), WM_NULL, 0, 0);
    INT_PTR result = 0;
    uitest::AnswerOneBox(
        "Framework", [](HWND found) { ::PostMessageA(found, kEndMessage, 42, 0); }, [&] { result = dlg.DoModal(nullptr); });
    EXPECT_EQ(42, result);
    EXPECT_EQ(nullptr, dlg.hwnd()) << "the modal window is gone when DoModal returns";
}

TEST(Framework, EscapeInAModalDialogCancelsIt) {
    TestDialog dlg;
    INT_PTR result = 0;
    uitest::AnswerOneBox(
        "Framework", [](HWND found) { ::PostMessageA(::GetDlgItem(found, 101), WM_KEYDOWN, VK_ESCAPE, 0); },
        [&] { result = dlg.DoModal(nullptr); });
    EXPECT_EQ(IDCANCEL, result);
}

}  // namespace

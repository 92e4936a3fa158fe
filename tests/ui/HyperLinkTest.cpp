// The about window's link and flat button: hover colour, clicks, keys, pressed look.
#include <gtest/gtest.h>

#include <memory>

#include "ui/UiTestEnv.h"
#include "ui/Forms.h"
#include "ui/HyperButton.h"
#include "ui/HyperLink.h"

namespace {

TEST(UiHyperLink, TurnsToItsHighlightWhileTheMouseIsOver) {
    auto form = uitest::HostForm(300, 100);
    auto* link = new TVrHyperLink(form.get(), form.get());
    link->SetFont(TFont{"Verdana", 10, fsBold | fsUnderline, clNavy});
    EXPECT_EQ(link->TextColor(), clNavy);
    ::SendMessageW(link->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(link->Hot());
    EXPECT_EQ(link->TextColor(), clBlue);
    ::SendMessageW(link->Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(link->Hot());
    EXPECT_EQ(link->TextColor(), clNavy);
    EXPECT_EQ(link->Cursor(), crHandPoint);
}

TEST(UiHyperLink, ClickCountsOnlyWhenReleasedOverTheLink) {
    auto form = uitest::HostForm(300, 100);
    auto* link = new TVrHyperLink(form.get(), form.get());
    link->SetBounds(10, 10, 200, 25);
    int clicks = 0;
    link->OnClick = [&](TObject* sender) {
        EXPECT_EQ(sender, link);
        ++clicks;
    };
    ::SendMessageW(link->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(link->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(clicks, 1);
    ::SendMessageW(link->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(link->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(500, 5));  // let go elsewhere
    EXPECT_EQ(clicks, 1);
    ::SendMessageW(link->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));  // a release alone is no click
    EXPECT_EQ(clicks, 1);
}

TEST(UiHyperButton, ClicksByMouseAndKeyAndLooksPressedWhileHeld) {
    auto form = uitest::HostForm(300, 100);
    auto* button = new TVrHyperButton(form.get(), form.get());
    button->SetBounds(10, 10, 100, 25);
    button->SetColor(16769217);
    button->SetCaption("OK");
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    HWND wnd = button->Handle();
    ::SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 12));
    EXPECT_TRUE(button->Pressed());
    ::SendMessageW(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 12));
    EXPECT_FALSE(button->Pressed());  // dragged off: looks up again
    ::SendMessageW(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 12));
    EXPECT_TRUE(button->Pressed());
    ::SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(50, 12));
    EXPECT_FALSE(button->Pressed());
    EXPECT_EQ(clicks, 1);
    ::SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 12));
    ::SendMessageW(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 12));
    ::SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(300, 12));
    EXPECT_EQ(clicks, 1);
    ::SendMessageW(wnd, WM_KEYDOWN, VK_SPACE, 0);
    ::SendMessageW(wnd, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(clicks, 3);
}

TEST(UiHyperButton, DrawsItsColourBorderAndBevel) {
    auto form = uitest::HostForm(300, 100);
    auto* button = new TVrHyperButton(form.get(), form.get());
    button->SetBounds(0, 0, 100, 25);
    button->SetColor(16769217);
    button->SetCaption("OK");
    form->Show();
    uitest::Pump(50);
    HDC dc = ::GetDC(button->Handle());
    // Read the painted pixels back through WM_PRINTCLIENT into a bitmap of our own.
    TBitmap bmp(100, 25);
    ::SendMessageW(button->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(bmp.Dc()), PRF_CLIENT);
    ::ReleaseDC(button->Handle(), dc);
    auto rgb = [](COLORREF c) {
        return static_cast<std::uint32_t>((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
    };
    EXPECT_EQ(bmp.Pixel(0, 0), rgb(clGray));
    EXPECT_EQ(bmp.Pixel(1, 1), rgb(clWhite));    // highlight at the top left
    EXPECT_EQ(bmp.Pixel(98, 23), rgb(clBlack));  // shadow at the bottom right
    EXPECT_EQ(bmp.Pixel(10, 12), rgb(16769217));
    form->Hide();
}

}  // namespace

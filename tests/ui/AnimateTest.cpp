// The animation control: the drawn frames play only while it is active.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "ui/UiTestEnv.h"
#include "ui/Animate.h"
#include "ui/Forms.h"

namespace {

TEST(UiAnimate, DrawnFramesAdvanceOnlyWhileActive) {
    auto form = std::make_unique<TForm>(nullptr, bsSingle);
    form->SetClientSize(200, 100);
    form->AfterConstruction();
    int painted = -1;
    std::set<int> frames;
    // No system clip asked for: the painter's frames play.
    auto* anim = new TAnimate(
        form.get(), form.get(), aviNone, 4,
        [&](int frame, int w, int h, std::uint32_t* px) {
            painted = frame;
            frames.insert(frame);
            for (int i = 0; i < w * h; ++i) px[i] = 0xFF0000FF;
        },
        20);
    anim->SetBounds(10, 10, 80, 50);
    EXPECT_FALSE(anim->SystemClip());
    EXPECT_FALSE(anim->Active());
    form->Show();
    uitest::Pump(100);
    EXPECT_EQ(anim->Frame(), 0);
    EXPECT_EQ(painted, 0);
    anim->Play();
    EXPECT_TRUE(anim->Active());
    uitest::Pump(300);
    anim->Stop();
    EXPECT_FALSE(anim->Active());
    uitest::Pump(50);
    int stopped = anim->Frame();
    EXPECT_GE(frames.size(), 3u);  // frames went by, within 0..3
    EXPECT_EQ(*frames.rbegin(), 3);
    EXPECT_EQ(*frames.begin(), 0);
    EXPECT_GE(stopped, 0);
    EXPECT_LT(stopped, 4);

    uitest::Pump(200);
    EXPECT_EQ(anim->Frame(), stopped);
    // The frame is blended over the form: blue where the painter drew, opaque.
    TBitmap bmp(80, 50);
    ::SendMessageW(anim->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(bmp.Dc()), PRF_CLIENT);
    EXPECT_EQ(bmp.Pixel(40, 25), 0x0000FFu);
    form->Hide();
}

}  // namespace

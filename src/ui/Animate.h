#pragma once
// TAnimate: a looping animation. It plays one of the system's standard clips (from the shell's
// resources, through the common controls' animation control) where the system has it, and
// otherwise frames drawn by a painter that the program supplies.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "ui/Controls.h"

enum TCommonAVI { aviNone, aviFindFolder };

// Paints frame `frame` at width x height pixels into `pixels` (0xAARRGGBB, straight alpha, top
// row first, initially transparent).
using TFramePainter = std::function<void(int frame, int width, int height, std::uint32_t* pixels)>;

class TAnimate : public TControl {
public:
    // `fallbackFrames` frames of `fallback` are played, `interval` ms apart, when the system clip
    // cannot be had. The animation starts stopped.
    TAnimate(TComponent* owner, TWinControl* parent, TCommonAVI clip, int fallbackFrames, TFramePainter fallback,
             unsigned interval = 100);
    ~TAnimate() override;

    // True while the animation plays.
    bool Active() const { return FActive; }
    void SetActive(bool active);
    void Play() { SetActive(true); }
    void Stop() { SetActive(false); }
    // True when the system's clip plays, false when the drawn frames do.
    bool SystemClip() const { return FSystemClip; }
    // The drawn frame shown now (0 with the system clip).
    int Frame() const { return FFrame; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(TCanvas& canvas) override;

private:
    bool OpenSystemClip(TCommonAVI clip);
    // The drawn frame `frame` at the control's size w x h, painted on first use: a frame depends
    // only on its number and the size, so the frames are kept until the size changes.
    const std::vector<std::uint32_t>& DrawnFrame(int frame, int w, int h);

    bool FActive = false;
    bool FSystemClip = false;
    int FFrame = 0;
    int FFrameCount;
    unsigned FInterval;
    TFramePainter FPainter;
    std::vector<std::vector<std::uint32_t>> FFrames;  // by frame number; empty until painted
    int FFramesWidth = 0, FFramesHeight = 0;
    std::unique_ptr<TBitmap> FBlend;  // the frame over the background, at the control's size
};

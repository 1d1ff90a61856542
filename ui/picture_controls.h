// The custom controls: subclassed static controls that paint a colour or a
// picture.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/window_base.h"

class RasterImage;

// Paints the w × h part of image whose top-left corner is (srcX, srcY) at
// (x, y) of dc, clipped as RasterImage::drawArea says; nothing for an empty
// image.
void paintImage(HDC dc, const RasterImage& image, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX,
                int32_t srcY);

// The size a w × h picture is shown at in a cw × ch frame: never enlarged,
// otherwise scaled down to fit with its proportions kept.
void fitSize(int32_t w, int32_t h, int32_t cw, int32_t ch, int32_t& shownWidth, int32_t& shownHeight);

// Fills its whole client area with one colour (0x00BBGGRR).
class ColourSwatch : public SubclassedControl {
public:
    void setColour(COLORREF colour);
    COLORREF colour() const { return colour_; }
    bool onPaint() override;

private:
    COLORREF colour_ = 0xFFFFFF;
};

// Shows a picture scaled down to fit, centred on the button-shadow colour.
// The picture is owned by the control's holder.
class ImagePreview : public SubclassedControl {
public:
    void setPicture(RasterImage* picture) { picture_ = picture; }
    // Re-creates the picture at the fitted size of source and stretches
    // source onto it; false when the picture cannot be created.
    bool showImage(const RasterImage& source);
    // Loads any picture file and shows it; false (picture unchanged) when it
    // cannot be loaded.
    bool showFile(const char* path);
    bool onPaint() override;

private:
    RasterImage* picture_ = nullptr;
};

// Shows a picture larger than its frame at a pan offset that the mouse drags.
class PanImageView : public SubclassedControl {
public:
    // Stores the image (not owned), resets the offsets; with clearNow fills the
    // client area with background at once.
    void setImage(const RasterImage* image, COLORREF background, bool clearNow);
    int32_t offsetX() const { return offsetX_; }
    int32_t offsetY() const { return offsetY_; }

    bool onMouseMove(WPARAM keys, int x, int y) override;
    bool onLButtonUp(WPARAM keys, int x, int y) override;
    bool onLButtonDown(WPARAM keys, int x, int y) override;
    bool onSetCursor(WPARAM wParam, int hitTest, int mouseMessage) override;
    bool onPaint() override;

private:
    POINT screenPoint(int x, int y) const;

    const RasterImage* image_ = nullptr;
    int32_t offsetX_ = 0;
    int32_t offsetY_ = 0;
    bool dragging_ = false;
    POINT lastCursor_{};
};

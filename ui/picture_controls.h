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

// A control that paints itself, on the screen and into any device context
// it is given with WM_PRINTCLIENT (so that its picture can be taken without
// the screen).
class PaintedControl : public SubclassedControl {
public:
    LRESULT dispatch(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool onPaint() override;

protected:
    virtual void paint(HDC dc) = 0;
};

// Fills its whole client area with one colour (0x00BBGGRR).
class ColourSwatch : public PaintedControl {
public:
    void setColour(COLORREF colour);
    COLORREF colour() const { return colour_; }

private:
    void paint(HDC dc) override;

    COLORREF colour_ = 0xFFFFFF;
};

// Shows a picture scaled down to fit, centred on the button-shadow colour.
// The picture is owned by the control's holder.
class ImagePreview : public PaintedControl {
public:
    void setPicture(RasterImage* picture) { picture_ = picture; }
    // Re-creates the picture at the fitted size of source and stretches
    // source onto it; false when the picture cannot be created.
    bool showImage(const RasterImage& source);
    // Loads any picture file and shows it; false (picture unchanged) when it
    // cannot be loaded.
    bool showFile(const char* path);

private:
    void paint(HDC dc) override;

    RasterImage* picture_ = nullptr;
};

// Shows a picture larger than its frame at a pan offset that the mouse drags.
class PanImageView : public PaintedControl {
public:
    // Stores the image (not owned), resets the offsets; with clearNow fills the
    // client area with background at once, and again whenever the view is
    // painted without an image.
    void setImage(const RasterImage* image, COLORREF background, bool clearNow);
    int32_t offsetX() const { return offsetX_; }
    int32_t offsetY() const { return offsetY_; }

    bool onMouseMove(WPARAM keys, int x, int y) override;
    bool onLButtonUp(WPARAM keys, int x, int y) override;
    bool onLButtonDown(WPARAM keys, int x, int y) override;
    bool onSetCursor(WPARAM wParam, int hitTest, int mouseMessage) override;

private:
    void paint(HDC dc) override;
    POINT screenPoint(int x, int y) const;
    void fillBackground(HDC dc) const;

    const RasterImage* image_ = nullptr;
    bool cleared_ = false;
    COLORREF background_ = 0;
    int32_t offsetX_ = 0;
    int32_t offsetY_ = 0;
    bool dragging_ = false;
    POINT lastCursor_{};
};

#include "ui/picture_controls.h"

#include <algorithm>

#include "image/raster_image.h"
#include "platform/win32/gdi_owners.h"

void paintImage(HDC dc, const RasterImage& image, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX,
                int32_t srcY) {
    if (image.isEmpty()) return;
    RasterImage::DrawArea area = image.drawArea(x, y, w, h, srcX, srcY);
    if (area.empty) return;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = image.width();
    header.biHeight = image.height();
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(image.bytesPerPixel() * 8);
    header.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, area.x, area.y, static_cast<DWORD>(area.width), static_cast<DWORD>(area.height),
                      area.sourceX, area.sourceRow, 0, static_cast<UINT>(image.height()), image.bits(),
                      reinterpret_cast<const BITMAPINFO*>(&header), DIB_RGB_COLORS);
}

// Sides are at most RasterImage::maxSide and frames far below 65536, so every
// product stays below 2^31.
void fitSize(int32_t w, int32_t h, int32_t cw, int32_t ch, int32_t& shownWidth, int32_t& shownHeight) {
    if (w <= cw && h <= ch) {
        shownWidth = w;
        shownHeight = h;
        return;
    }
    int32_t a = ch * w / h;
    int32_t b = cw * h / w;
    if (a < cw) {
        shownWidth = a;
        shownHeight = ch;
    } else {
        shownWidth = cw;
        shownHeight = b;
    }
}

// ---- PaintedControl -----------------------------------------------------------

LRESULT PaintedControl::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PRINTCLIENT) return SubclassedControl::dispatch(message, wParam, lParam);
    paint(reinterpret_cast<HDC>(wParam));
    return 0;
}

bool PaintedControl::onPaint() {
    PAINTSTRUCT paintInfo;
    HDC dc = BeginPaint(handle(), &paintInfo);
    paint(dc);
    EndPaint(handle(), &paintInfo);
    return true;
}

// ---- ColourSwatch -------------------------------------------------------------

void ColourSwatch::setColour(COLORREF colour) {
    colour_ = colour;
    invalidate();
}

void ColourSwatch::paint(HDC dc) {
    RECT client;
    GetClientRect(handle(), &client);
    platform::win32::Brush brush(CreateSolidBrush(colour_));
    FillRect(dc, &client, brush.handle);
}

// ---- ImagePreview ---------------------------------------------------------------

bool ImagePreview::showImage(const RasterImage& source) {
    if (!picture_ || source.isEmpty()) return false;
    int cw = 0;
    int ch = 0;
    clientSize(cw, ch);
    if (cw <= 0 || ch <= 0) return false;
    int32_t w = 0;
    int32_t h = 0;
    fitSize(source.width(), source.height(), cw, ch, w, h);
    if (!picture_->create(std::max<int32_t>(w, 1), std::max<int32_t>(h, 1))) return false;
    source.stretchTo(*picture_);
    invalidate();
    return true;
}

bool ImagePreview::showFile(const char* path) {
    RasterImage loaded;
    if (!loaded.loadAny(path)) return false;
    return showImage(loaded);
}

void ImagePreview::paint(HDC dc) {
    RECT client;
    GetClientRect(handle(), &client);
    FillRect(dc, &client, reinterpret_cast<HBRUSH>(COLOR_BTNSHADOW + 1));
    if (picture_ && !picture_->isEmpty()) {
        int32_t x = (client.right - picture_->width()) >> 1;
        int32_t y = (client.bottom - picture_->height()) >> 1;
        paintImage(dc, *picture_, x, y, 0, 0, 0, 0);
    }
}

// ---- PanImageView ---------------------------------------------------------------

void PanImageView::setImage(const RasterImage* image, COLORREF background, bool clearNow) {
    image_ = image;
    offsetX_ = 0;
    offsetY_ = 0;
    dragging_ = false;
    cleared_ = clearNow;
    background_ = background;
    if (!clearNow) return;
    HDC dc = GetDC(handle());
    fillBackground(dc);
    ReleaseDC(handle(), dc);
}

void PanImageView::fillBackground(HDC dc) const {
    RECT client;
    GetClientRect(handle(), &client);
    platform::win32::Brush brush(CreateSolidBrush(background_));
    FillRect(dc, &client, brush.handle);
}

POINT PanImageView::screenPoint(int x, int y) const {
    POINT p{x, y};
    ClientToScreen(handle(), &p);
    return p;
}

bool PanImageView::onMouseMove(WPARAM, int x, int y) {
    if (!dragging_) return true;
    POINT now = screenPoint(x, y);
    int viewWidth = 0;
    int viewHeight = 0;
    clientSize(viewWidth, viewHeight);
    if (image_ && image_->width() > viewWidth) {
        offsetX_ = std::clamp<int32_t>(offsetX_ + (lastCursor_.x - now.x), 0, image_->width() - viewWidth);
    }
    if (image_ && image_->height() > viewHeight) {
        offsetY_ = std::clamp<int32_t>(offsetY_ + (lastCursor_.y - now.y), 0, image_->height() - viewHeight);
    }
    lastCursor_ = now;
    invalidate(false);
    return true;
}

bool PanImageView::onLButtonUp(WPARAM, int, int) {
    ReleaseCapture();
    dragging_ = false;
    return true;
}

bool PanImageView::onLButtonDown(WPARAM, int x, int y) {
    SetCapture(handle());
    lastCursor_ = screenPoint(x, y);
    dragging_ = true;
    return true;
}

bool PanImageView::onSetCursor(WPARAM, int hitTest, int) {
    if (hitTest != HTCLIENT) return false;
    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_SIZEALL)));
    return true;
}

void PanImageView::paint(HDC dc) {
    if (!image_ || image_->isEmpty()) {
        if (cleared_) fillBackground(dc);
        return;
    }
    int viewWidth = 0;
    int viewHeight = 0;
    clientSize(viewWidth, viewHeight);
    int32_t w = std::min<int32_t>(viewWidth, image_->width() - offsetX_);
    int32_t h = std::min<int32_t>(viewHeight, image_->height() - offsetY_);
    if (w > 0 && h > 0) paintImage(dc, *image_, 0, 0, w, h, offsetX_, offsetY_);
}

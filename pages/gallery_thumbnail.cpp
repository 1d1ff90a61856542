#include "pages/gallery_thumbnail.h"

#include "app/file_handle.h"
#include "app/program_folder.h"
#include "app/text_buffer.h"
#include "image/png_writer.h"
#include "image/raster_image.h"
#include "image/resample.h"
#include "pages/gallery.h"

namespace {

const char* typeOfThumbnail(const TextBuffer& path) {
    TextBuffer extension;
    path.extension(extension);
    if (extension.compareNoCase("png") == 0) return "image/png";
    if (extension.compareNoCase("jpg") == 0) return "image/jpeg";
    return "image/bmp";
}

bool readSavedThumbnail(const TextBuffer& path, std::string& bytes) {
    FileHandle file;
    if (!file.openRead(path.text())) return false;
    int64_t size = file.seek(0, platform::SeekOrigin::end);
    if (size <= 0 || size > savedThumbnailLimit || file.seek(0, platform::SeekOrigin::begin) != 0) return false;
    bytes.resize(static_cast<size_t>(size));
    return file.read(&bytes[0], static_cast<uint32_t>(size)) == static_cast<uint32_t>(size);
}

bool makeThumbnail(const TextBuffer& path, std::string& bytes) {
    RasterImage picture;
    if (!picture.loadAny(path.text())) return false;
    int32_t width = 0, height = 0;
    galleryThumbnailSize(picture.width(), picture.height(), width, height);
    RasterImage scaled;
    const RasterImage* shown = &picture;
    if (width != picture.width() || height != picture.height()) {
        resample(picture, scaled, width, height);
        if (scaled.isEmpty()) return false;
        shown = &scaled;
    }
    PngRaster raster;
    return preparePng(*shown, raster, 24, nullptr, 0) && encodePng(raster, pngLevelByPicture, bytes);
}

}  // namespace

void galleryThumbnailSize(int32_t width, int32_t height, int32_t& thumbnailWidth, int32_t& thumbnailHeight) {
    thumbnailWidth = width;
    thumbnailHeight = height;
    int32_t longer = width > height ? width : height;
    if (longer <= galleryThumbnailSide) return;
    // Rounded to the nearest pixel; 64 bits, since the sides reach 32767.
    auto scaledSide = [longer](int32_t side) {
        int32_t scaled = static_cast<int32_t>((int64_t{side} * galleryThumbnailSide + longer / 2) / longer);
        return scaled > 0 ? scaled : 1;
    };
    thumbnailWidth = scaledSide(width);
    thumbnailHeight = scaledSide(height);
}

bool galleryThumbnail(const char* folder, const char* name, std::string& bytes, const char*& contentType) {
    TextBuffer saved;
    if (gallerySavedThumbnailOf(folder, name, saved) && readSavedThumbnail(saved, bytes)) {
        contentType = typeOfThumbnail(saved);
        return true;
    }
    TextBuffer path;
    folderFile(folder, name, path);
    contentType = "image/png";
    return makeThumbnail(path, bytes);
}

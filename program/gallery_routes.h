// The gallery's addresses (pages/gallery.h) answered for the local server:
// its page and thumbnails, and its two buttons, which write the drawing
// page or the playback page for a picture of the save folder, exactly as
// the program's own draw and play steps do, and send the browser there.
#pragma once

#include <functional>

#include "app/drawing_setup.h"
#include "app/settings.h"
#include "pages/gallery.h"
#include "server/get_handler.h"

class GalleryRoutes : public GetHandler {
public:
    // Fills a set-up with the one drawing would use at this moment: on
    // Windows the main window's controls, natively set.ini's and the
    // command line's.
    using SetupReader = std::function<void(DrawingSetup&)>;

    // settings live as long as the routes; their save folder is read at
    // each request.
    explicit GalleryRoutes(const Settings& settings) : settings_(settings) {}
    void readSetupWith(SetupReader reader) { readSetup_ = std::move(reader); }

    bool handles(const char* path) const override;
    // The page for any query; the others only for a query that names a
    // picture of the listing.
    bool answer(const char* path, const char* query, GetResponse& response) override;

private:
    // 303 to the drawing page continuing the picture's record (or the
    // picture), or a message page saying why not.
    void continueDrawing(const char* saveFolder, const GalleryPicture& picture, GetResponse& response);
    // 303 to the playback page of the picture's record, or a message page.
    void play(const char* saveFolder, const GalleryPicture& picture, GetResponse& response);

    const Settings& settings_;
    SetupReader readSetup_;
};

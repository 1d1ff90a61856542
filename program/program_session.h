// One run of the program, the same on both platforms: the single-instance
// lock, the program folder, set.ini, the local server, the save flow that
// answers its submissions and the gallery's addresses, started and stopped
// in the order the program needs. The entry points add only their platform's few lines: the window or
// the poll loop through which the server's events arrive.
#pragma once

#include <optional>

#include "app/drawing_setup.h"
#include "app/settings.h"
#include "platform/platform.h"
#include "program/gallery_routes.h"
#include "save/save_flow.h"
#include "server/local_server.h"
#include "server/submission_handler.h"

class SaveAsker;

class ProgramSession {
public:
    // settings live for the whole run; asker answers the save questions (null:
    // every submission gets the failure reply and the painter keeps its
    // drawing).
    ProgramSession(Settings& settings, SaveAsker* asker);

    // The single-instance lock; false when another instance holds it.
    static bool acquireLock();
    // Enters the program folder and loads set.ini into the settings and
    // setup. False when the folder cannot be entered.
    bool open(DrawingSetup& setup);
    // Starts the server on the stored port or a fallback (stored back), its
    // socket events sent to window. False after the server's message.
    bool serve(platform::WindowRef window);
    // Writes set.ini from the settings and setup (null after a failed start,
    // which leaves set.ini as it was), stops the server and deletes the
    // drawings' temporary files.
    void close(const DrawingSetup* setup);

    // Where the gallery's continue button takes the drawing set-up from.
    void readSetupWith(GalleryRoutes::SetupReader reader) { gallery_.readSetupWith(std::move(reader)); }

    Settings& settings() { return settings_; }
    LocalServer& server() { return server_; }

private:
    // The built-in painter's script, from the program's resources.
    void serveBuiltInPainter();

    // The save flow as the server's submission handler.
    class SaveFlowHandler : public SubmissionHandler {
    public:
        SaveFlowHandler(Settings& settings, SaveAsker& asker) : flow_(settings, asker) {}
        bool saveSubmission(TextBuffer& resultText) override { return flow_.saveSubmission(resultText); }

    private:
        SaveFlow flow_;
    };

    Settings& settings_;
    std::optional<SaveFlowHandler> handler_;
    GalleryRoutes gallery_;
    LocalServer server_;
};

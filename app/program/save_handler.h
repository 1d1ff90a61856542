// The save flow of this build: what answers a complete submission.
#pragma once

#include "server/submission_handler.h"

struct Settings;

// The handler for submissions saved under settings (which it keeps using),
// or null while this build has none, so that every submission gets the
// failure reply and the applet keeps its drawing.
SubmissionHandler* saveHandler(Settings& settings);

// The program's command line: blank-separated tokens, of which those that
// begin with - are options of one letter and a number written right after it.
//   -a n  applet kind n (ignored when n > 5)   -w n  image width
//   -p n  palette n (ignored when n > 3)       -h n  image height
//   -r    start drawing once the program runs
// Other tokens and letters are ignored; a later option overrides an earlier
// one; a lone - at the very end ends the text.
#pragma once

struct DrawingSetup;

struct CommandLineResult {
    bool drawRequested = false;  // -r was given
};

// Applies the options of text to setup in the order given.
CommandLineResult applyCommandLine(const char* text, DrawingSetup& setup);

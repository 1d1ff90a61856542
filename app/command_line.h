// The program's command line: blank-separated tokens, of which those that
// begin with - are options of one letter and a number written right after it.
//   -a n  applet kind n (ignored when n > 5)   -w n  image width
//   -p n  palette n (ignored when n > 3)       -h n  image height
//   -r    start drawing once the program runs
//   -b n  n = 1: draw with the built-in painter even where an outside one is
//         there; 0: the outside painter where its files are
//   -v    replay the animation named (instead of continuing it)
//   --gallery  open the gallery of saved drawings once the program runs,
//         instead of drawing
// A token that is not an option names the picture to continue (what dropping
// a file on the program's icon gives); it may be enclosed in double quotes,
// blanks included, and a later one replaces an earlier one. Other letters
// are ignored; a later option overrides an earlier one; a lone - at the very
// end ends the text.
#pragma once

struct DrawingSetup;

struct CommandLineResult {
    bool drawRequested = false;  // -r was given
    bool pictureGiven = false;   // setup.continuePath was set
    bool playRequested = false;  // -v was given
    bool galleryRequested = false;  // --gallery was given
};

// Applies the options of text to setup in the order given.
CommandLineResult applyCommandLine(const char* text, DrawingSetup& setup);

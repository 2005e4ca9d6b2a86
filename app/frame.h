#pragma once
// What one picture is drawn from: the moment, the loudness, the pointer and
// the window. A frame source gives the moment and the loudness: from the
// clock and the sound heard live, from the song and the frame's number in a
// render; the live loop adds the pointer and the window.
#include "analysis/loudness.h"
#include "base/design_window.h"
#include "base/vector.h"

struct Frame {
    float frameTime = 0;   // seconds since the program started, or into the song
    float frameDelta = 0;  // seconds since the frame before; 0 on the first
    float level = 0;       // the loudness heard at frameTime
    Loudness heard;        // its spectrum and waveform, for the shader scenes
    int sampleRate = 44100;  // of what is heard
    float mouseX = kDesignWindowCentre;  // the pointer, window pixels from the left
    float mouseY = kDesignWindowCentre;  // ... and from the top
    Vec3 mousePoint;  // the pointer in scene units
    Vec3 mouseDrag;   // the pointer's movement so far: sum of (previous - new), pixels
    float pressX = 0, pressY = 0;  // where a button last went down
    bool buttonHeld = false;
    int windowWidth = kDesignWindowSize;
    int windowHeight = kDesignWindowSize;
};

#pragma once
#include <GL/gl.h>

// The GL state every frame starts from: light 1, depth test, blending and
// the capabilities the figures rely on.
void setupLights();
void initGL();
// The vertical field of view, in degrees, for a picture of this width over
// height: 45 in the square design window and wider ones; taller ones see
// more above and below, so the design's width still fits across them.
double fieldOfViewFor(double aspect);
// The projection and viewport for a window of this size, and the camera.
void setProjection(int width, int height);

// Whether GL draws on the processor (Mesa's llvmpipe, softpipe, swrast):
// every sample of every pixel costs frame rate there.
bool softwareRasteriser();

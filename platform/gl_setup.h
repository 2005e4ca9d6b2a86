#pragma once
#include <GL/gl.h>

// The GL state every frame starts from: light 1, depth test, blending and
// the capabilities the figures rely on.
void setupLights();
void initGL();
// The projection and viewport for a window of this size, and the camera.
void setProjection(int width, int height);

// Whether GL draws on the processor (Mesa's llvmpipe, softpipe, swrast):
// every sample of every pixel costs frame rate there.
bool softwareRasteriser();

#pragma once
// Flat overlays over the scene. Each saves the enable flags, switches off
// depth test and lighting, and sets a 2D space with its origin at the bottom
// left on fresh matrices. endOverlay puts everything back and leaves the
// model-view matrix current.

// The viewport's own pixels, width x height of them.
void beginOverlay(float width, float height);

// What of a design space the viewport shows, in that space's units: more
// than the space itself along the viewport's longer side.
struct OverlayExtent {
    float left = 0, right = 0, bottom = 0, top = 0;
};

// A width x height design space at its own proportions: as large as the
// viewport allows and centred in it, so text drawn in it keeps its shape in
// a window of any shape.
OverlayExtent beginDesignOverlay(float width, float height);

void endOverlay();

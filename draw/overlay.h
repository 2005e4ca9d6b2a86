#pragma once
// A flat overlay over the whole window: saves the enable flags, switches off
// depth test and lighting, and sets a width x height space with its origin
// at the bottom left on fresh matrices. endOverlay puts everything back and
// leaves the model-view matrix current.
void beginOverlay(float width, float height);
void endOverlay();

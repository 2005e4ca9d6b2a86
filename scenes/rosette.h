#pragma once

// Scene 8: a still white rosette of fourteen circles of radius 0.5 through
// the origin, in two rings of seven turned 15 degrees apart each way.
// Leaves lighting on and white as the colour.
void drawRosette();

#pragma once

// Advance of every character of GLUT's mono-spaced stroke font, in its units.
constexpr double kStrokeAdvance = 104.76;

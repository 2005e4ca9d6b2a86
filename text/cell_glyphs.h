#pragma once
// Characters beyond ASCII for the stroke text: each drawn as a flat filled
// outline from the installed fonts, in one cell of GLUT's mono-spaced stroke
// font, so a name keeps one cell a character whatever its script.

// Draws `c` in the cell at the current origin, then moves the model-view
// on by the cell's advance (kStrokeAdvance), as drawStrokeLetter does.
// The glyph comes from the match for "Tahoma" when it has `c`, else from
// the first fallback font that does; a character no font has shows as a
// hollow box. Each character's glyph is looked up and compiled into a
// display list once, on first use; needs the window's GL context.
void drawCellGlyph(char32_t c);

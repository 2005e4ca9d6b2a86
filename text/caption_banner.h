#pragma once
#include <GL/gl.h>

#include <string>

// What the banner shows for a text after `elapsed` of `duration` seconds:
// the typed part with a trailing "[]:" mark, or the whole text with "[:"
// once done, right-aligned at x in the 5500-unit virtual screen. Typing and
// alignment count characters (UTF-8, see code_points.h), not bytes.
struct BannerLine {
    std::string shown;
    double x = 0;
};
BannerLine bannerLine(const std::string& text, float elapsed, float duration);

// Compiles the banner's black band, once; needs the window's GL context.
void buildCaptionBand();

// The one-line caption along the bottom of the window: white stroke letters
// typed out over a black band. Its clock runs only while it is shown.
class CaptionBanner {
public:
    virtual ~CaptionBanner();

    void draw(const std::string& text, float duration) const;
    // After drawing: the frame that crosses the duration still shows the
    // typing form.
    void advance(float step) { elapsed += step; }
    void reset() { elapsed = 0; }

    float elapsed = 0;
};

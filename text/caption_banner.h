#pragma once
#include <GL/gl.h>

#include <string>

// What the banner shows for a text after `elapsed` of `duration` seconds:
// the typed part with a trailing "[]:" mark, or the whole text with "[:"
// once done, right-aligned at x in the 5500-unit virtual screen.
struct BannerLine {
    std::string shown;
    double x = 0;
};
BannerLine bannerLine(const std::string& text, float elapsed, float duration);

// The one-line caption along the bottom of the window: white stroke letters
// typed out over a black band. Its clock runs only while it is drawn.
class CaptionBanner {
public:
    virtual ~CaptionBanner();

    // Compiles the band's display list; needs the window's GL context.
    void buildBand();
    void draw(std::string text, float step, float duration);
    void reset() { elapsed = 0; }

    GLuint bandList = 0;
    float elapsed = 0;
};

extern CaptionBanner captionBanner;

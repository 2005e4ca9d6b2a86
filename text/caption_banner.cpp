#include "text/caption_banner.h"

#include <cmath>

#include "draw/overlay.h"
#include "text/code_points.h"
#include "text/stroke_text.h"

namespace {
GLuint bandList = 0;

constexpr float kScreen = 5500;        // the banner's virtual screen, both ways
constexpr float kBandHeight = 152.35f;  // 2.8 % of the window
constexpr float kBaseline = 50;
}  // namespace

// The marks are ASCII: appending them changes nothing of how the typed
// part decodes.
BannerLine bannerLine(const std::string& text, float elapsed, float duration) {
    const std::size_t length = characterCount(text);
    if (elapsed >= duration) {
        BannerLine line{text + " " + " [:"};
        line.x = kScreen - (length + 4) * kStrokeAdvance;
        return line;
    }
    const float typed = std::trunc(elapsed / duration * static_cast<float>(length));
    const std::size_t n = typed > 0 ? std::min(static_cast<std::size_t>(typed), length) : 0;
    BannerLine line{std::string(firstCharacters(text, n)) + " " + "[]:"};
    line.x = kScreen - (n + 4) * kStrokeAdvance;
    return line;
}

CaptionBanner::~CaptionBanner() = default;

void buildCaptionBand() {
    bandList = glGenLists(1);
    glNewList(bandList, GL_COMPILE);
    glColor3f(0, 0, 0);
    glBegin(GL_POLYGON);  // counter-clockwise: it faces the viewer and survives culling
    glVertex2f(0, 0);
    glVertex2f(1, 0);
    glVertex2f(1, 1);
    glVertex2f(0, 1);
    glEnd();
    glColor3f(1, 1, 1);
    glEndList();
}

void CaptionBanner::draw(const std::string& text, float duration) const {
    glColor3f(1, 1, 1);
    const BannerLine line = bannerLine(text, elapsed, duration);
    // The band runs the window's whole width; the letters keep their shape
    // in the centred virtual screen.
    const OverlayExtent extent = beginDesignOverlay(kScreen, kScreen);
    glTranslatef(extent.left, 0, 0);
    glScalef(extent.right - extent.left, kBandHeight, 1);
    glCallList(bandList);
    endOverlay();
    drawStrokeText(static_cast<float>(line.x), kBaseline, line.shown.c_str(), kScreen, kScreen);
}

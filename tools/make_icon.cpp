// Draws the title screen's figure of cube arms once, through GL feedback,
// and writes its lit faces as an SVG icon: the program's own picture, as
// vectors, so every icon size is cut from one drawing.
// Usage: viz_make_icon OUT.svg   (needs a display: it opens the real window)
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/frame_drawer.h"
#include "platform/gl_setup.h"
#include "platform/program_window.h"
#include "scenes/title_cubes.h"

namespace {
constexpr double kIconSize = 256;
constexpr double kMargin = 22;     // inside the tile, around the figure
constexpr double kTileInset = 8;   // the dark tile inside the icon's square
constexpr double kTileCorner = 44;

struct Corner {
    float x, y, z, r, g, b;
};
struct Face {
    std::vector<Corner> corners;
    float depth() const {
        float sum = 0;
        for (const Corner& corner : corners) sum += corner.z;
        return sum / static_cast<float>(corners.size());
    }
};

// The pose: curled as by a loud passage, turned so all six arms show.
void drawFigure() {
    TitleCubes cubes;
    cubes.spinX = 35;
    cubes.spinY = 20;
    cubes.spinZ = 10;
    cubes.draw(1.0f, 0.3f, {60, 20, 0});
}

std::vector<Face> capturedFaces() {
    std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    drawFigure();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<Face> faces;
    constexpr int kCornerFloats = 7;  // x y z, then r g b a
    for (GLint at = 0; at < used;) {
        const auto token = static_cast<GLenum>(buffer[at++]);
        if (token != GL_POLYGON_TOKEN) {
            std::fprintf(stderr, "viz_make_icon: the figure drew something other than faces\n");
            return {};
        }
        Face face;
        const int count = static_cast<int>(buffer[at++]);
        for (int i = 0; i < count; ++i, at += kCornerFloats) {
            face.corners.push_back({buffer[at], buffer[at + 1], buffer[at + 2], buffer[at + 3], buffer[at + 4],
                                    buffer[at + 5]});
        }
        faces.push_back(std::move(face));
    }
    return faces;
}

std::string hexColour(const Face& face) {
    float r = 0, g = 0, b = 0;
    for (const Corner& corner : face.corners) r += corner.r, g += corner.g, b += corner.b;
    const float n = static_cast<float>(face.corners.size());
    auto byte = [n](float sum) { return std::clamp(static_cast<int>(sum / n * 255 + 0.5f), 0, 255); };
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", byte(r), byte(g), byte(b));
    return text;
}

struct Bounds {
    float left = 1e9f, right = -1e9f, bottom = 1e9f, top = -1e9f;
};

Bounds boundsOf(const std::vector<Face>& faces) {
    Bounds bounds;
    for (const Face& face : faces) {
        for (const Corner& c : face.corners) {
            bounds.left = std::min(bounds.left, c.x), bounds.right = std::max(bounds.right, c.x);
            bounds.bottom = std::min(bounds.bottom, c.y), bounds.top = std::max(bounds.top, c.y);
        }
    }
    return bounds;
}

// The figure, scaled to fill the tile inside its margin and centred on it.
struct Placement {
    explicit Placement(const Bounds& bounds) : bounds(bounds) {
        const float width = bounds.right - bounds.left, height = bounds.top - bounds.bottom;
        scale = (kIconSize - 2 * (kTileInset + kMargin)) / std::max(width, height);
        offsetX = (kIconSize - scale * width) / 2;
        offsetY = (kIconSize - scale * height) / 2;
    }
    // Window y grows upwards, an SVG's downwards.
    double x(const Corner& c) const { return offsetX + (c.x - bounds.left) * scale; }
    double y(const Corner& c) const { return kIconSize - (offsetY + (c.y - bounds.bottom) * scale); }

    Bounds bounds;
    double scale, offsetX, offsetY;
};

void writePolygon(std::ofstream& svg, const Face& face, const Placement& placement) {
    const std::string colour = hexColour(face);
    svg << "<polygon fill=\"" << colour << "\" stroke=\"" << colour << "\" points=\"";
    char point[32];
    for (const Corner& c : face.corners) {
        std::snprintf(point, sizeof point, "%.1f,%.1f ", placement.x(c), placement.y(c));
        svg << point;
    }
    svg << "\"/>\n";
}

// Far faces first, so nearer ones cover them as the depth buffer would.
bool writeSvg(std::vector<Face> faces, const char* path) {
    std::sort(faces.begin(), faces.end(), [](const Face& a, const Face& b) { return a.depth() > b.depth(); });
    const Placement placement(boundsOf(faces));
    std::ofstream svg(path);
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
        << "<rect x=\"" << kTileInset << "\" y=\"" << kTileInset << "\" width=\"" << kIconSize - 2 * kTileInset
        << "\" height=\"" << kIconSize - 2 * kTileInset << "\" rx=\"" << kTileCorner << "\" fill=\"#111111\"/>\n"
        << "<g stroke-linejoin=\"round\" stroke-width=\"0.6\">\n";
    for (const Face& face : faces) writePolygon(svg, face, placement);
    svg << "</g>\n</svg>\n";
    return static_cast<bool>(svg);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: viz_make_icon OUT.svg\n");
        return 2;
    }
    openProgramWindow({.glutWords = {"viz_make_icon"}});
    setProjection(kDesignWindowSize, kDesignWindowSize);
    switchOnLight1();
    const std::vector<Face> faces = capturedFaces();
    if (faces.empty() || !writeSvg(faces, argv[1])) {
        std::fprintf(stderr, "viz_make_icon: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

#include "text/glyph_outline.h"

#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <deque>

namespace {
// Flattens a glyph outline into closed contours of points in em units.
class OutlineFlattener {
public:
    OutlineFlattener(double unitsPerEm, GlyphOutline& outline) : scale(1.0 / unitsPerEm), out(outline) {}

    static int moveTo(const FT_Vector* to, void* self) {
        auto* flattener = static_cast<OutlineFlattener*>(self);
        flattener->out.contours.emplace_back();
        flattener->addPoint(to->x, to->y);
        return 0;
    }
    static int lineTo(const FT_Vector* to, void* self) {
        static_cast<OutlineFlattener*>(self)->addPoint(to->x, to->y);
        return 0;
    }
    static int conicTo(const FT_Vector* control, const FT_Vector* to, void* self) {
        auto* f = static_cast<OutlineFlattener*>(self);
        const double x0 = f->lastX, y0 = f->lastY;
        const int steps = f->stepsFor(x0, y0, control->x, control->y, to->x, to->y);
        for (int i = 1; i <= steps; ++i) {
            const double t = static_cast<double>(i) / steps, u = 1 - t;
            f->addPoint(u * u * x0 + 2 * u * t * control->x + t * t * to->x,
                        u * u * y0 + 2 * u * t * control->y + t * t * to->y);
        }
        return 0;
    }
    static int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* self) {
        auto* f = static_cast<OutlineFlattener*>(self);
        const double x0 = f->lastX, y0 = f->lastY;
        const int steps = std::max(f->stepsFor(x0, y0, c1->x, c1->y, c2->x, c2->y),
                                   f->stepsFor(c1->x, c1->y, c2->x, c2->y, to->x, to->y));
        for (int i = 1; i <= steps; ++i) {
            const double t = static_cast<double>(i) / steps, u = 1 - t;
            f->addPoint(u * u * u * x0 + 3 * u * u * t * c1->x + 3 * u * t * t * c2->x + t * t * t * to->x,
                        u * u * u * y0 + 3 * u * u * t * c1->y + 3 * u * t * t * c2->y + t * t * t * to->y);
        }
        return 0;
    }

private:
    // Enough segments that the curve stays within one font unit of the
    // chords (a quadratic's chord error is a quarter of its control offset
    // over the squared step count).
    int stepsFor(double x0, double y0, double cx, double cy, double x1, double y1) const {
        const double dx = x0 - 2 * cx + x1, dy = y0 - 2 * cy + y1;
        const double offset = std::sqrt(dx * dx + dy * dy);
        return std::max(1, static_cast<int>(std::ceil(std::sqrt(offset / 4.0))));
    }
    void addPoint(double x, double y) {
        lastX = x;
        lastY = y;
        if (!out.contours.empty()) out.contours.back().push_back({x * scale, y * scale, 0});
    }

    double scale;
    GlyphOutline& out;
    double lastX = 0, lastY = 0;
};

// Vertices the tessellator invents where contours cross; they must live
// until the polygon is finished.
std::deque<std::array<double, 3>> combinedVertices;

void APIENTRY combineVertex(GLdouble coords[3], void*[4], GLfloat[4], void** out) {
    combinedVertices.push_back({coords[0], coords[1], coords[2]});
    *out = combinedVertices.back().data();
}
}  // namespace

bool loadGlyphOutline(FT_Face face, FT_UInt index, GlyphOutline& outline) {
    if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) return false;
    const double unitsPerEm = face->units_per_EM;
    outline.advance = face->glyph->advance.x / unitsPerEm;
    if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return false;
    OutlineFlattener flattener(unitsPerEm, outline);
    const FT_Outline_Funcs funcs = {&OutlineFlattener::moveTo, &OutlineFlattener::lineTo,
                                    &OutlineFlattener::conicTo, &OutlineFlattener::cubicTo, 0, 0};
    FT_Outline_Decompose(&face->glyph->outline, &funcs, &flattener);
    return true;
}

OutlineFiller::OutlineFiller() : tessellator(gluNewTess()) {
    if (tessellator == nullptr) return;
    using Callback = void(APIENTRY*)();
    gluTessCallback(tessellator, GLU_TESS_BEGIN, reinterpret_cast<Callback>(glBegin));
    gluTessCallback(tessellator, GLU_TESS_VERTEX, reinterpret_cast<Callback>(glVertex3dv));
    gluTessCallback(tessellator, GLU_TESS_END, reinterpret_cast<Callback>(glEnd));
    gluTessCallback(tessellator, GLU_TESS_COMBINE, reinterpret_cast<Callback>(combineVertex));
    gluTessProperty(tessellator, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tessellator, 0, 0, 1);
}

OutlineFiller::~OutlineFiller() {
    if (tessellator != nullptr) gluDeleteTess(tessellator);
}

void OutlineFiller::fill(GlyphOutline& outline) {
    if (tessellator == nullptr) return;
    gluTessBeginPolygon(tessellator, nullptr);
    for (auto& contour : outline.contours) {
        // Outlines close on their first point; the tessellator wants it once.
        if (contour.size() > 1 && contour.front() == contour.back()) contour.pop_back();
        if (contour.size() < 3) continue;
        gluTessBeginContour(tessellator);
        for (auto& point : contour) gluTessVertex(tessellator, point.data(), point.data());
        gluTessEndContour(tessellator);
    }
    gluTessEndPolygon(tessellator);
    combinedVertices.clear();
}

#include "text/outline_font.h"

#include <GL/glu.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {
GLuint fontBase = 0;
}  // namespace

GLuint outlineFontBase() { return fontBase; }

namespace {
constexpr int kLists = 256;
constexpr int kGlyphs = 255;  // bytes 0 to 254; 255's list stays empty

// The byte values 128 to 159 of the Windows "ANSI" code page; the rest of
// the upper half is Latin-1.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t codePointOf(int byte) {
    if (byte >= 0x80 && byte < 0xA0) return kCp1252High[byte - 0x80];
    return static_cast<char32_t>(byte);
}

std::string findFontFile(int& faceIndex) {
    std::string path;
    if (!FcInit()) return path;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("Tahoma"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcChar8* file = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        path = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex) != FcResultMatch) faceIndex = 0;
    }
    if (match != nullptr) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return path;
}

// Flattens a glyph outline into closed contours of points in em units.
class OutlineFlattener {
public:
    explicit OutlineFlattener(double unitsPerEm) : scale(1.0 / unitsPerEm) {}

    std::vector<std::vector<std::array<double, 3>>> contours;

    static int moveTo(const FT_Vector* to, void* self) {
        auto* flattener = static_cast<OutlineFlattener*>(self);
        flattener->contours.emplace_back();
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
        if (!contours.empty()) contours.back().push_back({x * scale, y * scale, 0});
    }

    double scale;
    double lastX = 0, lastY = 0;
};

// Vertices the tessellator invents where contours cross; they must live
// until the polygon is finished.
std::deque<std::array<double, 3>> combinedVertices;

void APIENTRY combineVertex(GLdouble coords[3], void*[4], GLfloat[4], void** out) {
    combinedVertices.push_back({coords[0], coords[1], coords[2]});
    *out = combinedVertices.back().data();
}

void tessellateGlyph(GLUtesselator* tessellator, OutlineFlattener& outline) {
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

GLUtesselator* newTessellator() {
    GLUtesselator* tessellator = gluNewTess();
    if (tessellator == nullptr) return nullptr;
    using Callback = void(APIENTRY*)();
    gluTessCallback(tessellator, GLU_TESS_BEGIN, reinterpret_cast<Callback>(glBegin));
    gluTessCallback(tessellator, GLU_TESS_VERTEX, reinterpret_cast<Callback>(glVertex3dv));
    gluTessCallback(tessellator, GLU_TESS_END, reinterpret_cast<Callback>(glEnd));
    gluTessCallback(tessellator, GLU_TESS_COMBINE, reinterpret_cast<Callback>(combineVertex));
    gluTessProperty(tessellator, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    // Triangles come out counter-clockwise about +z, so face culling keeps them.
    gluTessNormal(tessellator, 0, 0, 1);
    return tessellator;
}

void compileGlyph(FT_Face face, GLUtesselator* tessellator, int byte) {
    const double unitsPerEm = face->units_per_EM;
    const FT_UInt index = FT_Get_Char_Index(face, codePointOf(byte));
    double advance = 0;
    OutlineFlattener outline(unitsPerEm);
    if (index != 0 && FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0) {
        advance = face->glyph->advance.x / unitsPerEm;
        if (face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            const FT_Outline_Funcs funcs = {&OutlineFlattener::moveTo, &OutlineFlattener::lineTo,
                                            &OutlineFlattener::conicTo, &OutlineFlattener::cubicTo,
                                            0, 0};
            FT_Outline_Decompose(&face->glyph->outline, &funcs, &outline);
        }
    }
    glNewList(fontBase + byte, GL_COMPILE);
    glNormal3f(0, 0, 1);
    tessellateGlyph(tessellator, outline);
    glTranslated(advance, 0, 0);
    glEndList();
}
}  // namespace

void buildOutlineFont() {
    fontBase = glGenLists(kLists);
    int faceIndex = 0;
    const std::string file = findFontFile(faceIndex);
    FT_Library library = nullptr;
    if (file.empty() || FT_Init_FreeType(&library) != 0) return;
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.c_str(), faceIndex, &face) == 0 && FT_IS_SCALABLE(face)) {
        if (GLUtesselator* tessellator = newTessellator()) {
            for (int byte = 0; byte < kGlyphs; ++byte) compileGlyph(face, tessellator, byte);
            gluDeleteTess(tessellator);
        }
    }
    if (face != nullptr) FT_Done_Face(face);
    FT_Done_FreeType(library);
}

void drawOutlineText(const char* format, ...) {
    if (format == nullptr) return;
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (written <= 0) return;
    glPushAttrib(GL_LIST_BIT);
    glListBase(fontBase);
    glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
    glPopAttrib();
}

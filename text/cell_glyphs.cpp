#include "text/cell_glyphs.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "text/font_files.h"
#include "text/glyph_outline.h"
#include "text/stroke_metrics.h"

namespace {
// The stroke letters reach about this far above and below the baseline; an
// em of a font is given the same height, so its letters stand alike.
constexpr double kStrokeAscent = 119.05;
constexpr double kStrokeDescent = 33.33;
constexpr double kCellHeight = kStrokeAscent + kStrokeDescent;
// The box for a character no font has: capital height, inset in the cell.
constexpr double kBoxHeight = 100;
constexpr double kBoxInset = 20;

const char* const kPreferredFamily = "Tahoma";

FT_Library freeType() {
    static FT_Library library = [] {
        FT_Library opened = nullptr;
        return FT_Init_FreeType(&opened) == 0 ? opened : nullptr;
    }();
    return library;
}

// Faces stay open for the process's life (the map is never destroyed, so
// leak checkers still see them held): a script's characters tend to come
// from the same few fonts. A file that cannot be opened is remembered as
// null.
FT_Face faceOf(const FontFile& file) {
    static auto& faces = *new std::map<std::pair<std::string, int>, FT_Face>;
    const auto key = std::make_pair(file.path, file.faceIndex);
    const auto known = faces.find(key);
    if (known != faces.end()) return known->second;
    FT_Face face = nullptr;
    if (freeType() == nullptr || FT_New_Face(freeType(), file.path.c_str(), file.faceIndex, &face) != 0) {
        face = nullptr;
    } else if (!FT_IS_SCALABLE(face)) {
        FT_Done_Face(face);
        face = nullptr;
    }
    faces[key] = face;
    return face;
}

bool isC1Control(char32_t c) { return c >= 0x80 && c < 0xA0; }

std::optional<GlyphOutline> outlineOf(char32_t c) {
    // Some symbol fonts put pictures at the C1 control codes (a stray byte
    // read as Latin-1); a control is no letter, so it gets the box.
    if (isC1Control(c)) return std::nullopt;
    for (const FontFile& file : fontsWithCharacter(kPreferredFamily, c)) {
        const FT_Face face = faceOf(file);
        GlyphOutline outline;
        if (face != nullptr && loadGlyphOutline(face, FT_Get_Char_Index(face, c), outline)) return outline;
    }
    return std::nullopt;
}

struct Span {
    double left = 0, right = 0;
};
std::optional<Span> inkSpan(const GlyphOutline& outline) {
    std::optional<Span> span;
    for (const auto& contour : outline.contours) {
        for (const auto& point : contour) {
            if (!span) span = Span{point[0], point[0]};
            span->left = std::min(span->left, point[0]);
            span->right = std::max(span->right, point[0]);
        }
    }
    return span;
}

// From ems into the cell: an em as tall as the stroke letters' reach,
// smaller when the glyph would be wider than the cell, its ink centred,
// the baseline kept.
void placeInCell(GlyphOutline& outline) {
    const std::optional<Span> ink = inkSpan(outline);
    if (!ink) return;  // a space of some kind: nothing to place
    double scale = kCellHeight;
    const double width = std::max(outline.advance, ink->right - ink->left) * scale;
    if (width > kStrokeAdvance) scale *= kStrokeAdvance / width;
    const double shift = kStrokeAdvance / 2 - (ink->left + ink->right) / 2 * scale;
    for (auto& contour : outline.contours) {
        for (auto& point : contour) {
            point[0] = point[0] * scale + shift;
            point[1] *= scale;
        }
    }
}

void drawMissingBox() {
    glBegin(GL_LINE_LOOP);
    glVertex2d(kBoxInset, 0);
    glVertex2d(kStrokeAdvance - kBoxInset, 0);
    glVertex2d(kStrokeAdvance - kBoxInset, kBoxHeight);
    glVertex2d(kBoxInset, kBoxHeight);
    glEnd();
}

GLuint compileCellGlyph(char32_t c) {
    std::optional<GlyphOutline> outline = outlineOf(c);
    const GLuint list = glGenLists(1);
    if (list == 0) return 0;
    glNewList(list, GL_COMPILE);
    if (outline) {
        placeInCell(*outline);
        OutlineFiller().fill(*outline);
    } else {
        drawMissingBox();
    }
    glTranslated(kStrokeAdvance, 0, 0);
    glEndList();
    return list;
}
}  // namespace

void drawCellGlyph(char32_t c) {
    static auto& lists = *new std::unordered_map<char32_t, GLuint>;
    auto known = lists.find(c);
    if (known == lists.end()) {
        const GLuint list = compileCellGlyph(c);
        if (list == 0) {  // no list to be had: the cell stays, empty
            glTranslated(kStrokeAdvance, 0, 0);
            return;
        }
        known = lists.emplace(c, list).first;
    }
    glCallList(known->second);
}

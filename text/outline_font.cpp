#include "text/outline_font.h"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <optional>

#include "text/font_files.h"
#include "text/glyph_outline.h"

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

void compileGlyph(FT_Face face, OutlineFiller& filler, int byte) {
    GlyphOutline outline;
    loadGlyphOutline(face, FT_Get_Char_Index(face, codePointOf(byte)), outline);
    glNewList(fontBase + byte, GL_COMPILE);
    glNormal3f(0, 0, 1);
    filler.fill(outline);
    glTranslated(outline.advance, 0, 0);
    glEndList();
}
}  // namespace

void buildOutlineFont() {
    fontBase = glGenLists(kLists);
    const std::optional<FontFile> file = matchFont("Tahoma");
    FT_Library library = nullptr;
    if (!file || FT_Init_FreeType(&library) != 0) return;
    FT_Face face = nullptr;
    if (FT_New_Face(library, file->path.c_str(), file->faceIndex, &face) == 0 && FT_IS_SCALABLE(face)) {
        OutlineFiller filler;
        if (filler.ready()) {
            for (int byte = 0; byte < kGlyphs; ++byte) compileGlyph(face, filler, byte);
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

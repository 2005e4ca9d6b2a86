#include "text/code_points.h"

namespace {
struct Character {
    char32_t codePoint = 0;
    std::size_t length = 1;  // in bytes
};

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// What a lead byte promises: the sequence's length, the bits it carries and
// the smallest value that length may encode (anything less is overlong).
struct Lead {
    std::size_t length = 0;
    char32_t bits = 0;
    char32_t minimum = 0;
};
Lead leadOf(unsigned char byte) {
    if (byte >= 0xC2 && byte <= 0xDF) return {2, char32_t{byte} & 0x1Fu, 0x80};
    if ((byte & 0xF0) == 0xE0) return {3, char32_t{byte} & 0x0Fu, 0x800};
    if (byte >= 0xF0 && byte <= 0xF4) return {4, char32_t{byte} & 0x07u, 0x10000};
    return {};
}

bool isUnicodeScalar(char32_t value) { return value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF); }

// The character at `at`: a well-formed UTF-8 sequence, or else its first
// byte alone, as Latin-1.
Character characterAt(std::string_view bytes, std::size_t at) {
    const auto first = static_cast<unsigned char>(bytes[at]);
    const Character latin1{first, 1};
    const Lead lead = leadOf(first);
    if (lead.length == 0 || bytes.size() - at < lead.length) return latin1;
    char32_t value = lead.bits;
    for (std::size_t i = 1; i < lead.length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[at + i]);
        if (!isContinuation(next)) return latin1;
        value = (value << 6) | (next & 0x3Fu);
    }
    if (value < lead.minimum || !isUnicodeScalar(value)) return latin1;
    return {value, lead.length};
}
}  // namespace

std::u32string decodeCodePoints(std::string_view bytes) {
    std::u32string characters;
    for (std::size_t at = 0; at < bytes.size();) {
        const Character character = characterAt(bytes, at);
        characters.push_back(character.codePoint);
        at += character.length;
    }
    return characters;
}

std::size_t characterCount(std::string_view bytes) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < bytes.size(); ++count) at += characterAt(bytes, at).length;
    return count;
}

std::string_view firstCharacters(std::string_view bytes, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t taken = 0; taken < count && at < bytes.size(); ++taken) {
        at += characterAt(bytes, at).length;
    }
    return bytes.substr(0, at);
}

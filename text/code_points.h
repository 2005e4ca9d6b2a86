#pragma once
// Song names come from the file system as bytes in no promised encoding.
// They are read as UTF-8; a byte that does not start a well-formed sequence
// stands for the Latin-1 character of its value, so no byte is ever lost.
#include <cstddef>
#include <string>
#include <string_view>

std::u32string decodeCodePoints(std::string_view bytes);

// How many characters decodeCodePoints finds in `bytes`.
std::size_t characterCount(std::string_view bytes);

// The bytes of the first `count` characters (all of them when there are
// fewer). Decoding the prefix gives those same characters.
std::string_view firstCharacters(std::string_view bytes, std::size_t count);

#pragma once
// The order the songs play in: as the folders list them, by name as people
// number tracks ("2" before "10"), or shuffled once for the run.
#include <cstdint>
#include <string>
#include <vector>

enum class SongOrder { Folder, Name, Shuffle };

// Whether `a` comes before `b` in a natural order: runs of digits compare
// as numbers, everything else byte by byte.
bool naturallyBefore(const std::string& a, const std::string& b);

// Puts `songs` in `order`; a shuffle takes `seed`, so one run keeps one order.
void orderSongs(std::vector<std::string>& songs, SongOrder order, std::uint32_t seed);

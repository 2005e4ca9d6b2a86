#pragma once

// The silence heard where one song gives way to the next, behind pipes of a
// wired output's and a headset's size: the automatic advance with the next
// song decoded ahead and without, and a change the user makes.
void runSongGapBenchmarks();

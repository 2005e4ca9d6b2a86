#pragma once

// CPU per second of music for decoding each kind of file a collection holds,
// against that format's own command-line decoder on the same file (its
// start-up cost taken off).
void runFormatBenchmarks();

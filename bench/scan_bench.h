#pragma once

// Media scan of a 100,000-entry tree against `find` on the same tree.
void runScanBenchmark();

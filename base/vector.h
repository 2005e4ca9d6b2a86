#pragma once
// The small value types every layer passes around.

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

struct Point2 {
    float x = 0, y = 0;
};

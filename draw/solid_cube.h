#pragma once
// A solid cube of edge `size` centred on the origin, drawn exactly as
// glutSolidCube draws it (the same twelve triangles in the same order, with
// the same vertices and face normals), with no freeglut behind it: a render
// with no window system has no freeglut to call. Like glutSolidCube it
// leaves the vertex and normal arrays disabled and the current normal as it
// was.
void drawSolidCube(double size);

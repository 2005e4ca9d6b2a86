#pragma once
#include "app/scene_table.h"
#include "base/drawing_helpers.h"

extern int currentScene;
extern float frameTime;          // seconds since process start, this frame
extern float previousFrameTime;  // frameTime of the previous frame
extern float frameDelta;         // frameTime - previousFrameTime; 0 on the first frame
extern float songTime;           // seconds since the last automatic song change
extern Vec3 titleAngles;         // degrees turned by the title screen

void onIdle();
void onDisplay();
void drawFrame();

// The steps of drawFrame that have a rule of their own.
void clearToLevel(float loudness);
void readFrameClock();
void switchOnLight1();

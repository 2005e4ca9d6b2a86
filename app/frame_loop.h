#pragma once
#include "base/drawing_helpers.h"

// Scene numbers held in currentScene.
constexpr int kTitleScene = 100;
constexpr int kSelectionScene = 101;

extern int currentScene;
extern float frameTime;          // seconds since process start, this frame
extern float previousFrameTime;  // frameTime of the previous frame
extern float frameDelta;         // frameTime - previousFrameTime; 0 on the first frame
extern float songTime;           // seconds since the last automatic song change
extern Vec3 titleAngles;         // degrees turned by the title screen

// True for the title and selection screens, where songs neither end nor get named.
bool isMenuScene(int scene);

void onIdle();
void onDisplay();
void drawFrame();

// The steps of drawFrame that have a rule of their own.
void clearToLevel(float loudness);
void readFrameClock();
void switchOnLight1();

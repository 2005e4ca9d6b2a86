#pragma once

// Draws the scene chosen by currentScene, with the camera model-view current.
void drawCurrentScene();

// The song caption along the bottom, naming the song at currentSongIndex.
void drawSongCaption(float step, float duration);

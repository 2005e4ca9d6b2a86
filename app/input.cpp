#include "app/input.h"

void onKeyDown(unsigned char, int, int) {}
void onKeyUp(unsigned char, int, int) {}
void onSpecialKeyUp(int, int, int) {}
void onMouse(int, int, int, int) {}
void onPassiveMotion(int, int) {}

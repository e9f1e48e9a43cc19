#include "button/ButtonDetection.h"

namespace {
int* g_pressedFlag = nullptr;
}

void StartButtonPressDetection(int* pressedFlag) {
    g_pressedFlag = pressedFlag;
}

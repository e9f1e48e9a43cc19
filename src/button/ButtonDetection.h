#pragma once

// Registers the flag the camera button sets and starts watching the button.
void StartButtonPressDetection(int* pressedFlag);

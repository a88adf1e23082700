#pragma once

// Steps of the busy animation: up through the 14 frames and back down to the third.
constexpr int AnimationSteps = 26;

// The picture of a status code 0..4, shared by the delivery and GPS squares; state 1
// animates with the step 0..25.
int PictureForState(int state, int animationStep);

#pragma once

#include "common/StatusCode.h"

// Steps of the busy animation: up through the 14 frames and back down to the third.
constexpr int AnimationSteps = 26;

// The picture of a status code, shared by the delivery and GPS squares; Busy animates
// with the step 0..25.
int PictureForState(StatusCode state, int animationStep);

#include "app/StatusPicture.h"

#include <array>

#include "app/Resources.h"

namespace {

// From the darkest lamp to the lightest, which is not the numeric order.
constexpr std::array<int, 14> kBusyFrames{206, 207, 208, 209, 214, 211, 212,
                                          213, 210, 216, 217, 218, 219, 220};

}  // namespace

int PictureForState(StatusCode state, int animationStep) {
    switch (state) {
        case StatusCode::Off:
            break;
        case StatusCode::Busy: {
            int step = animationStep < 0 ? 0 : animationStep % AnimationSteps;
            return kBusyFrames[step < 14 ? step : 27 - step];
        }
        case StatusCode::Done:
            return PictureDone;
        case StatusCode::Ready:
            return PictureReady;
        case StatusCode::Failed:
            return PictureFailed;
    }
    return PictureOff;
}

#include "effects/camera_shake.h"

#include "gfxutil/matrix.h"
#include "platform/random.h"

namespace tavrin {

float UnitRandom() { return static_cast<float>(Rand()) / static_cast<float>(kRandMax); }

D3DMATRIX ShakenLookAt(const Vec3& eye, const Vec3& target, const Vec3& up, float amplitude) {
    auto jitter = [amplitude] { return (UnitRandom() - 0.5f) * amplitude; };
    Vec3 shakenUp = up, shakenTarget = target, shakenEye = eye;
    shakenUp.z += jitter();
    shakenUp.y += jitter();
    shakenUp.x += jitter();
    shakenTarget.x += jitter();
    shakenTarget.y += jitter();
    shakenTarget.z += jitter();
    shakenEye.x += jitter();
    shakenEye.y += jitter();
    shakenEye.z += jitter();
    return MatrixLookAtLH(shakenEye, shakenTarget, shakenUp);
}

}  // namespace tavrin

#include "gfxutil/matrix.h"

#include <cmath>

namespace tavrin {
namespace {

D3DMATRIX Rows(float a00, float a01, float a02, float a03, float a10, float a11, float a12,
               float a13, float a20, float a21, float a22, float a23, float a30, float a31,
               float a32, float a33) {
    return D3DMATRIX{{{a00, a01, a02, a03},
                      {a10, a11, a12, a13},
                      {a20, a21, a22, a23},
                      {a30, a31, a32, a33}}};
}

D3DVECTOR Subtract(const D3DVECTOR& a, const D3DVECTOR& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
D3DVECTOR Cross(const D3DVECTOR& a, const D3DVECTOR& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot(const D3DVECTOR& a, const D3DVECTOR& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
D3DVECTOR Normalise(const D3DVECTOR& v) {
    const float inverse = 1.0f / std::sqrt(Dot(v, v));
    return {v.x * inverse, v.y * inverse, v.z * inverse};
}

}  // namespace

D3DMATRIX MatrixIdentity() { return MatrixScaling(1.0f, 1.0f, 1.0f); }

D3DMATRIX MatrixTranslation(float x, float y, float z) {
    return Rows(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
}

D3DMATRIX MatrixScaling(float x, float y, float z) {
    return Rows(x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1);
}

D3DMATRIX MatrixRotationX(float radians) {
    const float c = std::cos(radians), s = std::sin(radians);
    return Rows(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
}

D3DMATRIX MatrixRotationY(float radians) {
    const float c = std::cos(radians), s = std::sin(radians);
    return Rows(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
}

D3DMATRIX MatrixRotationZ(float radians) {
    const float c = std::cos(radians), s = std::sin(radians);
    return Rows(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
}

D3DMATRIX MatrixPerspectiveLH(float width, float height, float zNear, float zFar) {
    const float depth = zFar / (zFar - zNear);
    return Rows(2 * zNear / width, 0, 0, 0,  //
                0, 2 * zNear / height, 0, 0,  //
                0, 0, depth, 1,               //
                0, 0, -zNear * depth, 0);
}

D3DMATRIX MatrixLookAtLH(const D3DVECTOR& eye, const D3DVECTOR& target, const D3DVECTOR& up) {
    const D3DVECTOR z = Normalise(Subtract(target, eye));
    const D3DVECTOR x = Normalise(Cross(up, z));
    const D3DVECTOR y = Cross(z, x);
    return Rows(x.x, y.x, z.x, 0,  //
                x.y, y.y, z.y, 0,  //
                x.z, y.z, z.z, 0,  //
                -Dot(x, eye), -Dot(y, eye), -Dot(z, eye), 1);
}

D3DVECTOR TransformCoord(const D3DVECTOR& p, const D3DMATRIX& m) {
    const float x = p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0];
    const float y = p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1];
    const float z = p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2];
    const float w = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
    const float inverse = w != 0.0f ? 1.0f / w : 1.0f;
    return {x * inverse, y * inverse, z * inverse};
}

D3DVECTOR TransformNormal(const D3DVECTOR& v, const D3DMATRIX& m) {
    return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0],
            v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
            v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}

}  // namespace tavrin

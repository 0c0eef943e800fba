#include "scene3ds/keyframe_track.h"

#include <cmath>

namespace tavrin {
namespace {

// Scalar keys store floats but are computed in doubles, like vector keys.
double ValueOf(const ScalarKey& key) { return key.value; }
const DVec3& ValueOf(const VectorKey& key) { return key.value; }
double InOf(const ScalarKey& key) { return key.inTangent; }
const DVec3& InOf(const VectorKey& key) { return key.inTangent; }
double OutOf(const ScalarKey& key) { return key.outTangent; }
const DVec3& OutOf(const VectorKey& key) { return key.outTangent; }

void SetTangents(ScalarKey& key, double in, double out) {
    key.inTangent = static_cast<float>(in);
    key.outTangent = static_cast<float>(out);
}
void SetTangents(VectorKey& key, const DVec3& in, const DVec3& out) {
    key.inTangent = in;
    key.outTangent = out;
}

// Frames are ints; their differences are taken in doubles so extreme frames cannot overflow.
template <typename Key>
double FrameSpan(const Key& from, const Key& to) {
    return static_cast<double>(to.frame) - static_cast<double>(from.frame);
}

template <typename Key>
void PrepareKeys(Key* keys, int n) {
    using Value = std::remove_cvref_t<decltype(ValueOf(keys[0]))>;
    if (n <= 1) return;
    if (n == 2) {
        const Value delta = ValueOf(keys[1]) - ValueOf(keys[0]);
        SetTangents(keys[0], Value{}, delta * (1 - keys[0].tension));
        SetTangents(keys[1], delta * (1 - keys[1].tension), Value{});
        return;
    }

    // The end keys borrow their slope from the two nearest neighbours, weighted by frame spacing.
    const auto endSlope = [](const Key& end, const Key& near, const Key& far) {
        const double span = FrameSpan(far, end);
        const double g = span != 0 ? FrameSpan(near, end) / span : 0;
        const double a = 1 - end.tension;
        return (ValueOf(end) - ValueOf(near)) * (1.5 * a) + (ValueOf(end) - ValueOf(far)) * (0.5 * g * a);
    };
    // For the first key both differences point backwards in time, hence the negation.
    const Value firstOut = -endSlope(keys[0], keys[1], keys[2]);
    const Value lastIn = endSlope(keys[n - 1], keys[n - 2], keys[n - 3]);

    for (int k = 1; k < n - 1; ++k) {
        const Key& p = keys[k - 1];
        const Key& q = keys[k + 1];
        Key& key = keys[k];
        const double span = FrameSpan(p, q);
        // Coinciding neighbours give no spacing to weigh by; fall back to even spacing.
        const double hIn = span != 0 ? 2 * FrameSpan(p, key) / span : 1;
        const double hOut = span != 0 ? 2 * FrameSpan(key, q) / span : 1;
        const Value dp = ValueOf(key) - ValueOf(p);
        const Value dq = ValueOf(q) - ValueOf(key);
        const double a = 1 - key.tension, c = key.continuity, b = key.bias;
        const Value in = (dp * (a * (1 - c) * (1 + b)) + dq * (a * (1 + c) * (1 - b))) * (0.5 * hIn);
        const Value out = (dp * (a * (1 + c) * (1 + b)) + dq * (a * (1 - c) * (1 - b))) * (0.5 * hOut);
        SetTangents(key, in, out);
    }
    SetTangents(keys[0], Value{}, firstOut);
    SetTangents(keys[n - 1], lastIn, Value{});
}

template <typename Key>
auto EvaluateKeys(const Key* keys, int n, double time) {
    using Value = std::remove_cvref_t<decltype(ValueOf(keys[0]))>;
    if (n <= 0 || !keys) return Value{};
    const Key& first = keys[0];
    const Key& last = keys[n - 1];
    if (time > last.frame) return Value(ValueOf(last));
    if (time < first.frame) return Value(ValueOf(first));

    // Exactly at the last frame the time wraps round to 0; when the keys start later than frame 0
    // the first segment's curve is extrapolated back to there.
    const double e = last.frame >= 1 ? std::fmod(time, static_cast<double>(last.frame)) : 0;

    int i = 0;
    while (i < n - 1 && e >= keys[i + 1].frame) ++i;
    const int j = i + 1 < n ? i + 1 : i;
    const double span = FrameSpan(keys[i], keys[j]);
    const double u = span != 0 ? (e - keys[i].frame) / span : 0;
    const double s = Ease(u, keys[i].easeFrom, keys[j].easeTo);
    const double s2 = s * s, s3 = s2 * s;
    return Value(ValueOf(keys[i]) * (2 * s3 - 3 * s2 + 1) + ValueOf(keys[j]) * (3 * s2 - 2 * s3) +
                 OutOf(keys[i]) * (s3 - 2 * s2 + s) + InOf(keys[j]) * (s3 - s2));
}

}  // namespace

double Ease(double u, double a, double b) {
    const double sum = a + b;
    if (sum == 0) return u;
    if (sum > 1) {
        a /= sum;
        b /= sum;
    }
    const double g = 1 / (2 - a - b);
    // The guards on a and b only matter for keys out of frame order, where u leaves [0, 1).
    if (a > 0 && u < a) return u * u * g / a;
    if (b <= 0 || u < 1 - b) return g * (2 * u - a);
    return 1 - (1 - u) * (1 - u) * g / b;
}

void PrepareTangents(SceneTrack* track) {
    if (track->type == kScalarTrack) {
        PrepareKeys(track->scalarKeys.get(), track->keyCount);
    } else {
        PrepareKeys(track->vectorKeys.get(), track->keyCount);
    }
}

float EvaluateScalarTrack(const SceneTrack& track, double time) {
    if (track.type != kScalarTrack) return 0;
    return static_cast<float>(EvaluateKeys(track.scalarKeys.get(), track.keyCount, time));
}

DVec3 EvaluateVectorTrack(const SceneTrack& track, double time) {
    if (track.type != kVectorTrack) return {};
    return EvaluateKeys(track.vectorKeys.get(), track.keyCount, time);
}

}  // namespace tavrin

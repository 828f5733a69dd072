#include "engine/VertexBuilders.h"

#include "foundation/Helpers.h"

#include <cmath>

namespace {

template <class Vertex>
void FillRect(Vertex* v, int32_t left, int32_t top, int32_t right, int32_t bottom, bool closed, bool clearZ) {
    const float l = float(left), t = float(top), r = float(right), b = float(bottom);
    v[0].x = l, v[0].y = t;
    v[1].x = r, v[1].y = t;
    v[2].x = r, v[2].y = b;
    v[3].x = l, v[3].y = b;
    if (clearZ)
        for (int i = 0; i < 4; ++i)
            v[i].z = 0.0f;
    if (closed) v[4] = v[0];
}

} // namespace

void FillRectVertices(platform::ColouredVertex* vertices, int32_t left, int32_t top, int32_t right,
                      int32_t bottom, bool closed, bool clearZ) {
    FillRect(vertices, left, top, right, bottom, closed, clearZ);
}

void FillRectTexVertices(platform::TexturedVertex* vertices, int32_t left, int32_t top, int32_t right,
                         int32_t bottom, bool closed, bool clearZ) {
    FillRect(vertices, left, top, right, bottom, closed, clearZ);
}

uint32_t FillEllipseVertices(platform::ColouredVertex* vertices, float centreX, float centreY, float radiusX,
                             float radiusY, int32_t vertexLimit, bool fan, uint32_t colour,
                             int32_t segmentLength) {
    // Single-precision constants, so the segment counts come out the same on
    // every machine.
    constexpr float kTwoPi = 6.2831854820251465f;
    constexpr float kPi = 3.1415927410125732f;
    const float r = radiusY < radiusX ? radiusX : radiusY;
    const float circumference = r * kTwoPi;
    if (std::fabs(circumference) < 0.00001f) return 0;
    // Without a positive segment length the count has no meaning.
    if (segmentLength <= 0) return 0;
    int64_t n = int64_t(std::ceil(double(circumference) / double(segmentLength)));
    const int64_t room = int64_t(vertexLimit) - (fan ? 2 : 1);
    n = n < 8 ? 8 : (n < room ? n : room);
    if (n < 1) return 0; // the limit leaves no room for a ring

    const float step = 360.0f / float(n);
    platform::ColouredVertex* ring = vertices;
    if (fan) {
        vertices[0].x = centreX;
        vertices[0].y = centreY;
        if (colour) vertices[0].colour = colour;
        ring = vertices + 1;
    }
    for (int64_t i = 0; i < n; ++i) {
        const float radians = float(i) * step * kPi / 180.0f;
        float sine = 0.0f, cosine = 0.0f;
        kis::SinCos(radians, sine, cosine);
        ring[i].x = cosine * radiusX + centreX;
        ring[i].y = sine * radiusY + centreY;
        if (colour) ring[i].colour = colour;
    }
    ring[n] = ring[0];
    return uint32_t(fan ? n + 2 : n + 1);
}

#pragma once
// Vertex arrays for the viewer's untextured and textured 2D drawing: a
// rectangle as four (or, closed, five) vertices, and an ellipse as a
// triangle fan or a closed outline. Screen space, x to the right and y down.
// Rectangle vertex order: top-left, top-right, bottom-right, bottom-left
// (clockwise on the screen, so four vertices draw as a two-triangle fan).

#include "platform/GraphicsDevice.h"

#include <cstdint>

// Writes x and y of vertices 0-3. With `closed`, vertex 4 becomes a copy of
// vertex 0 (the outline as a line strip; the array then holds five). With
// `clearZ`, z of every written vertex becomes 0. Colours, and z without
// `clearZ`, stay as the caller left them.
void FillRectVertices(platform::ColouredVertex* vertices, int32_t left, int32_t top, int32_t right,
                      int32_t bottom, bool closed, bool clearZ);
// The same on textured vertices; colour, u and v are left to the caller.
void FillRectTexVertices(platform::TexturedVertex* vertices, int32_t left, int32_t top, int32_t right,
                         int32_t bottom, bool closed, bool clearZ);

// An ellipse around (centreX, centreY): with `fan` the centre, n ring
// vertices and a copy of the first ring vertex (n + 2 written); without, the
// n ring vertices and the copy (n + 1). n follows the circumference of the
// larger radius in steps of `segmentLength`, at least 8, at most
// vertexLimit - 2 (fan) or vertexLimit - 1 (outline). A colour of 0 leaves
// the vertices' colours as they are; z is never written. Writes nothing and
// answers 0 for a circumference of (nearly) 0, a segment length of 0 or less,
// or a limit that leaves no ring vertex.
uint32_t FillEllipseVertices(platform::ColouredVertex* vertices, float centreX, float centreY, float radiusX,
                             float radiusY, int32_t vertexLimit, bool fan, uint32_t colour,
                             int32_t segmentLength);

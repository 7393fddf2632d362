#pragma once

#include "gauge/face.h"

class QPainter;

namespace gaugix {

// Smallest whole-pixel rectangle that a painted line touches, antialiasing included.
QRect lineBounds(const FaceLine& line);

// Paints the face elements that meet dirty, bottom to top in stored order.
void paintFace(QPainter& painter, const Face& face, const QRect& dirty);

} // namespace gaugix

#pragma once

#include "face.h"

class QPainter;

namespace gaugix {

// Smallest whole-pixel rectangle that a painted line touches, antialiasing included.
QRect lineBounds(const FaceLine& line);

// Paints the face elements that meet dirty, bottom to top in stored order.
void paintFace(QPainter& painter, const Face& face, const QRect& dirty);

// The same in two layers: the dial (everything that never changes) under the
// moving parts (the readout and the needle), which are the top two elements.
void paintDial(QPainter& painter, const Face& face, const QRect& dirty);
void paintMovingParts(QPainter& painter, const Face& face, const QRect& dirty);

// The moving parts one at a time: the readout, then the needle over it.
void paintReadout(QPainter& painter, const Face& face, const QRect& dirty);
void paintNeedle(QPainter& painter, const Face& face, const QRect& dirty);

} // namespace gaugix

#pragma once
// Centring a top-level window on its screen, its frame included.

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace panel {

// The top-left corner that centres something of outer size `outer` on `screen`:
// half of what is left over on each axis.
QPoint centredPosition(const QRect& screen, const QSize& outer);

// Centres `window` now, measured whole, and once more when a window manager first gives
// it a frame: before it is shown, the window's frame is not known. Without a window
// manager the frame never differs from the window and the first centring stands.
void centreOnScreen(QWidget* window);

} // namespace panel

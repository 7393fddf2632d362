#pragma once

#include <QImage>

namespace icon {

// The application icon drawn at one of iconSizes(): frame and grid on whole
// pixels, the trace pixel by pixel at the small sizes and smoothed at the large.
// A null image for any other size.
QImage paintScreenIcon(int size);

} // namespace icon

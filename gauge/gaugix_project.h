#pragma once

#include "platform/project_descriptor.h"

namespace gaugix {

// The gaugix library as the component services see it: type library, the v_meter class and
// its interfaces, class settings, toolbox picture and version block.
extern const platform::ProjectDescriptor kProject;

} // namespace gaugix

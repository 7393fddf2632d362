#pragma once

#include "platform/project_descriptor.h"

#include <QString>

// A readable account of what a component library offers: type library, class, interfaces
// with their properties, class settings, toolbox picture and version block.
QString describeProject(const platform::ProjectDescriptor& project);

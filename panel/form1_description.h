#pragma once
#include "control_spec.h"

namespace panel {

// The stored description of the panel window.
const FormSpec& form1_description();

} // namespace panel

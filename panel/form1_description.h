#pragma once
#include "control_entry.h"

namespace panel {

// The stored description of the panel window.
const FormSpec& form1Description();

} // namespace panel

#pragma once

#include <QPalette>

namespace formkit {

// The forms' own colours, every role of every group: the forms fix their backgrounds, so they
// fix the colours drawn on them too, and look as designed whatever the desktop's colour scheme.
QPalette fixedPalette();

} // namespace formkit

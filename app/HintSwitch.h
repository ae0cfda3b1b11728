#pragma once

namespace nummerix {

// The application-wide hint switch: while it is off, no control shows its tool tip.
bool ShowHints();
void SetShowHints(bool show);

}  // namespace nummerix

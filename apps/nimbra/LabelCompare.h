// The label's side-by-side comparison with Pango (label_compare.cpp).
#pragma once

#include <string>

// Writes NAME-ours.png, NAME-pango.png and NAME.png (the two side by side) for each
// comparison case into `dir`, made if missing; 0 on success, else 1 with a message.
int writeLabelComparison(const std::string& dir);

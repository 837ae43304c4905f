#pragma once

// Palette of the column and device check boxes in the player's menus:
// alternating row backgrounds by index parity. GUI thread only.

class QPalette;

QPalette createCheckBoxPalette(int index);

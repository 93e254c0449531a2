#pragma once

#include <QSize>

class QWidget;

// Window sizes are given as the outer frame of a window with a single fixed
// border and a caption: 3 pixels of border on each side and a 19-pixel caption
// bar. Control positions are relative to the client area inside that frame.
constexpr int kFrameBorder = 3;
constexpr int kCaptionHeight = 19;

constexpr QSize ClientSizeFor(int outerWidth, int outerHeight) {
  return QSize(outerWidth - 2 * kFrameBorder, outerHeight - 2 * kFrameBorder - kCaptionHeight);
}

// Fixes the window's client size for the given outer size and centres the
// outer frame on the primary screen.
void FixAndCentre(QWidget* window, int outerWidth, int outerHeight);

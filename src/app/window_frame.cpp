#include "app/window_frame.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void FixAndCentre(QWidget* window, int outerWidth, int outerHeight) {
  window->setFixedSize(ClientSizeFor(outerWidth, outerHeight));
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect area = screen->availableGeometry();
  int left = area.left() + (area.width() - outerWidth) / 2;
  int top = area.top() + (area.height() - outerHeight) / 2;
  // move() places the frame's top-left corner.
  window->move(std::max(area.left(), left), std::max(area.top(), top));
}

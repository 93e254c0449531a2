#pragma once

#include <QString>
#include <chrono>
#include <functional>

#include "text/gbk_text.h"

// Runs the GUI thread's events until `done` holds or `timeoutMs` passes.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000);
// Runs the GUI thread's events (posted and deferred deletes) for a moment.
void Settle(int ms = 20);

inline QString Q(const char* utf8) {
  return QString::fromUtf8(utf8);
}
inline Text Gbk(const char* utf8) {
  return GbkFromUtf8(utf8);
}

#pragma once

#include <QUrl>
#include <QWebEngineView>
#include <functional>

#include "text/gbk_text.h"

class QWebEngineProfile;

// The process's one browser profile: off the record (cookies, cache and
// storage in memory only, nothing under $HOME) and mirrored into the shared
// cookie store. Made on first use on the GUI thread.
QWebEngineProfile* SharedBrowserProfile();

// The embedded browser: a web view on the shared profile with the status text
// and new-window event the login window relies on.
class EmbeddedBrowser : public QWebEngineView {
  Q_OBJECT

 public:
  explicit EmbeddedBrowser(QWidget* parent = nullptr);

  // Navigates in place; no target frame, post data or extra headers.
  void SetAddress(const Text& address);
  // The last text the page reported: the link under the pointer, or empty.
  Text StatusText() const;
  // While the new-window handler runs: the address the new window asks for.
  QUrl NewWindowAddress() const { return newWindowAddress_; }
  // Runs when the page is about to open a new window (a link with a target of
  // its own, window.open). No new window opens.
  void SetNewWindowHandler(std::function<void()> handler) { newWindowHandler_ = std::move(handler); }

 private:
  QString statusText_;
  QUrl newWindowAddress_;
  std::function<void()> newWindowHandler_;
};

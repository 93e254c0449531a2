#pragma once

#include <QNetworkCookie>
#include <QObject>
#include <map>
#include <tuple>

#include "platform/web_session.h"

class QWebEngineCookieStore;

// The browser's cookie as the shared store keeps it: domain without its
// leading dot (a dot marks a cookie for subdomains too), path, flags, expiry
// in seconds (0 for a session cookie).
Cookie CookieFromBrowser(const QNetworkCookie& cookie);

// Copies every cookie the embedded browser holds or receives into the
// process-wide store, and drops what the browser drops, so the program's own
// requests go out with the login. Lives on the GUI thread.
class BrowserCookieMirror : public QObject {
  Q_OBJECT

 public:
  BrowserCookieMirror(QWebEngineCookieStore* store, QObject* parent = nullptr);

  void Add(const QNetworkCookie& cookie);
  void Remove(const QNetworkCookie& cookie);

 private:
  using Key = std::tuple<std::string, std::string, std::string>;  // domain, path, name
  static Key KeyOf(const Cookie& cookie) { return {cookie.domain, cookie.path, cookie.name}; }

  // The value last copied for each cookie. A replaced cookie is reported as
  // removed and the new one as added; should the removal come second, it must
  // not take the new value away.
  std::map<Key, std::string> mirrored_;
};

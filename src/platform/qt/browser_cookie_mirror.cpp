#include "platform/qt/browser_cookie_mirror.h"

#include <QDateTime>
#include <QWebEngineCookieStore>

Cookie CookieFromBrowser(const QNetworkCookie& cookie) {
  Cookie c;
  std::string domain = cookie.domain().toStdString();
  c.hostOnly = domain.empty() || domain[0] != '.';
  if (!c.hostOnly) domain.erase(0, 1);
  c.domain = domain;
  c.path = cookie.path().isEmpty() ? "/" : cookie.path().toStdString();
  c.secure = cookie.isSecure();
  c.httpOnly = cookie.isHttpOnly();
  c.expires = cookie.isSessionCookie() ? 0 : cookie.expirationDate().toSecsSinceEpoch();
  c.name = cookie.name().toStdString();
  c.value = cookie.value().toStdString();
  return c;
}

BrowserCookieMirror::BrowserCookieMirror(QWebEngineCookieStore* store, QObject* parent) : QObject(parent) {
  connect(store, &QWebEngineCookieStore::cookieAdded, this, &BrowserCookieMirror::Add);
  connect(store, &QWebEngineCookieStore::cookieRemoved, this, &BrowserCookieMirror::Remove);
  store->loadAllCookies();
}

void BrowserCookieMirror::Add(const QNetworkCookie& cookie) {
  Cookie c = CookieFromBrowser(cookie);
  if (c.domain.empty() || c.name.empty()) return;  // nothing a request could match
  mirrored_[KeyOf(c)] = c.value;
  StoreCookie(c);
}

void BrowserCookieMirror::Remove(const QNetworkCookie& cookie) {
  Cookie c = CookieFromBrowser(cookie);
  auto it = mirrored_.find(KeyOf(c));
  if (it == mirrored_.end() || it->second != c.value) return;
  mirrored_.erase(it);
  RemoveCookie(c);
}

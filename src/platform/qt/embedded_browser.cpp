#include "platform/qt/embedded_browser.h"

#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include "platform/qt/browser_cookie_mirror.h"

QWebEngineProfile* SharedBrowserProfile() {
  static QWebEngineProfile* profile = [] {
    // No storage name: an off-the-record profile.
    auto* p = new QWebEngineProfile();
    p->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    p->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    new BrowserCookieMirror(p->cookieStore(), p);
    return p;
  }();
  return profile;
}

EmbeddedBrowser::EmbeddedBrowser(QWidget* parent) : QWebEngineView(parent) {
  auto* page = new QWebEnginePage(SharedBrowserProfile(), this);
  page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
  page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
  setPage(page);
  setZoomFactor(1.0);
  connect(page, &QWebEnginePage::linkHovered, this, [this](const QString& url) { statusText_ = url; });
  connect(page, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest& request) {
    newWindowAddress_ = request.requestedUrl();
    if (newWindowHandler_) newWindowHandler_();
    newWindowAddress_.clear();
    // Left unhandled: the page's createWindow gives no window, so nothing else opens.
  });
}

void EmbeddedBrowser::SetAddress(const Text& address) {
  setUrl(QUrl(QString::fromStdU16String(Utf16FromGbk(TextOf(address)))));
}

Text EmbeddedBrowser::StatusText() const {
  return GbkFromUtf16(statusText_.toStdU16String());
}

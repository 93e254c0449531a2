#include "platform/qt/browser_cookie_mirror.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <algorithm>

#include "login_test_server.h"
#include "platform/qt/embedded_browser.h"
#include "platform/web_session.h"

namespace {

QNetworkCookie BrowserCookie(const char* name, const char* value, const char* domain, const char* path = "/") {
  QNetworkCookie c(name, value);
  c.setDomain(domain);
  c.setPath(path);
  return c;
}

TEST(CookieFromBrowserTest, KeepsDomainScopePathFlagsAndExpiry) {
  QNetworkCookie hostOnly = BrowserCookie("a", "1", "127.0.0.1");
  QNetworkCookie wide = BrowserCookie("b", "2", ".baidu.com", "/x");
  wide.setSecure(true);
  wide.setHttpOnly(true);
  wide.setExpirationDate(QDateTime::fromSecsSinceEpoch(2000000000));

  Cookie h = CookieFromBrowser(hostOnly);
  EXPECT_EQ(h.domain, "127.0.0.1");
  EXPECT_TRUE(h.hostOnly);
  EXPECT_EQ(h.path, "/");
  EXPECT_FALSE(h.secure);
  EXPECT_EQ(h.expires, 0) << "session cookie";

  Cookie w = CookieFromBrowser(wide);
  EXPECT_EQ(w.domain, "baidu.com");
  EXPECT_FALSE(w.hostOnly);
  EXPECT_EQ(w.path, "/x");
  EXPECT_TRUE(w.secure);
  EXPECT_TRUE(w.httpOnly);
  EXPECT_EQ(w.expires, 2000000000);
  EXPECT_EQ(w.name, "b");
  EXPECT_EQ(w.value, "2");
}

class CookieMirrorTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearCookies(); }
  void TearDown() override { ClearCookies(); }
  std::string Sent(const std::string& path = "/echo-cookies") {
    return SimpleHttpGet("http://127.0.0.1:" + std::to_string(server.Port()) + path);
  }

  LoginTestServer server;
  QWebEngineProfile profile;  // off the record; the mirror is fed by hand below
  BrowserCookieMirror mirror{profile.cookieStore()};
};

TEST_F(CookieMirrorTest, MirroredCookiesGoOutWithTheProgramsRequestsAsTheBrowserWould) {
  struct Case {
    QNetworkCookie cookie;
    bool sentToRoot;
    bool sentUnderPath;
  };
  QNetworkCookie secure = BrowserCookie("secure", "s", "127.0.0.1");
  secure.setSecure(true);
  QNetworkCookie expiresLater = BrowserCookie("later", "l", "127.0.0.1");
  expiresLater.setExpirationDate(QDateTime::currentDateTimeUtc().addDays(1));
  const Case cases[] = {
      {BrowserCookie("plain", "p", "127.0.0.1"), true, true},
      {BrowserCookie("pathed", "x", "127.0.0.1", "/path"), false, true},
      {BrowserCookie("elsewhere", "e", "example.com"), false, false},
      // libcurl counts loopback as a secure origin, as browsers do.
      {secure, true, true},
      {expiresLater, true, true},
  };
  for (const Case& c : cases) mirror.Add(c.cookie);
  auto stored = StoredCookies();
  auto kept = std::find_if(stored.begin(), stored.end(), [](const Cookie& c) { return c.name == "secure"; });
  ASSERT_NE(kept, stored.end());
  EXPECT_TRUE(kept->secure);
  EXPECT_TRUE(kept->hostOnly);
  std::string root = Sent();
  std::string under = Sent("/path/echo-cookies");
  for (const Case& c : cases) {
    std::string pair = c.cookie.name().toStdString() + "=" + c.cookie.value().toStdString();
    EXPECT_EQ(root.find(pair) != std::string::npos, c.sentToRoot) << pair << " in " << root;
    EXPECT_EQ(under.find(pair) != std::string::npos, c.sentUnderPath) << pair << " in " << under;
  }
}

TEST_F(CookieMirrorTest, RemovedCookiesStopAndAReplacementSurvivesALateRemoval) {
  mirror.Add(BrowserCookie("gone", "1", "127.0.0.1"));
  mirror.Add(BrowserCookie("session", "old", "127.0.0.1"));
  mirror.Remove(BrowserCookie("gone", "1", "127.0.0.1"));
  // The browser replaced "session": the new value arrives before the old one's removal.
  mirror.Add(BrowserCookie("session", "new", "127.0.0.1"));
  mirror.Remove(BrowserCookie("session", "old", "127.0.0.1"));
  EXPECT_EQ(Sent(), "session=new");
  mirror.Remove(BrowserCookie("session", "new", "127.0.0.1"));
  EXPECT_EQ(Sent(), "");
  EXPECT_TRUE(StoredCookies().empty()) << "a removed cookie is not listed either";
}

TEST_F(CookieMirrorTest, TheSharedProfileIsOffTheRecordAndMirrored) {
  QWebEngineProfile* shared = SharedBrowserProfile();
  EXPECT_TRUE(shared->isOffTheRecord());
  EXPECT_EQ(shared->persistentCookiesPolicy(), QWebEngineProfile::NoPersistentCookies);
  EXPECT_EQ(shared->httpCacheType(), QWebEngineProfile::MemoryHttpCache);
  EXPECT_EQ(SharedBrowserProfile(), shared) << "one profile for the process";
}

}  // namespace

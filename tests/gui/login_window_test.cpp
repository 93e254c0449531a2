#include "app/login_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <algorithm>

#include "gui_test_support.h"
#include "login_test_server.h"
#include "platform/qt/embedded_browser.h"
#include "platform/qt/qt_window_services.h"
#include "platform/site_config.h"
#include "platform/web_session.h"
#include "text/fixed_texts.h"

namespace {

class LoginWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSite(LocalSiteConfig(server.Port()));
    ClearCookies();
    InstallWindowServices(&services);
    services.SetWindowFactory(Control::LoginWindow, [this] {
      window = new LoginWindow(
          services, [this] { ++closeRequests; }, [] { OnLoginConfirmed(); });
      return window.data();
    });
  }
  void TearDown() override {
    delete window.data();
    Settle();
    InstallWindowServices(nullptr);
    SetSite(SiteConfig{});
    ClearCookies();
  }

  // Makes the window as the modal load would, without entering its loop.
  LoginWindow* Open() {
    window = new LoginWindow(
        services, [this] { ++closeRequests; }, [] { OnLoginConfirmed(); });
    window->show();
    return window;
  }
  bool WaitForPage(const QString& path) {
    return WaitUntil([&] { return window && window->Browser()->url().path() == path && !loading; }, 20000);
  }
  void TrackLoading() {
    QObject::connect(window->Browser(), &QWebEngineView::loadStarted, [this] { loading = true; });
    QObject::connect(window->Browser(), &QWebEngineView::loadFinished, [this] { loading = false; });
    loading = true;
  }
  QVariant RunScript(const QString& script) {
    QVariant result;
    bool done = false;
    window->Browser()->page()->runJavaScript(script, [&](const QVariant& v) {
      result = v;
      done = true;
    });
    WaitUntil([&] { return done; });
    return result;
  }
  bool HasSessionCookie() {
    auto cookies = StoredCookies();
    return std::any_of(cookies.begin(), cookies.end(), [](const Cookie& c) {
      return c.name == LoginTestServer::kSessionName && c.value == LoginTestServer::kSessionValue;
    });
  }

  LoginTestServer server;
  QtWindowServices services;
  QPointer<LoginWindow> window;
  int closeRequests = 0;
  bool loading = false;
};

TEST(LoginAddressTest, RealConfigurationGivesTheSitesLoginAddressByteForByte) {
  EXPECT_EQ(LoginAddress(SiteConfig{}),
            "http://wappass.baidu.com/passport?login&tpl=zd"
            "&u=http%3A%2F%2Fwapiknow.baidu.com%2F%3Fssid%3D0%26from%3D0%26bd_page_type%3D1%26uid%3D"
            "4F7A1C9E2B8D46A0953E7C1D0B6F2A85%26pu%3Dsz%2540224_220%26idx%3D20000%26itj%3D24"
            "&from=0&regtype=1&ssid=0&uid=4F7A1C9E2B8D46A0953E7C1D0B6F2A85"
            "&pu=sz%40224_220%2Cos%40&bd_page_type=1&init=middle&step=1");
}

TEST_F(LoginWindowTest, WindowLayoutAndTheAddressItOpens) {
  LoginWindow* w = Open();
  EXPECT_EQ(w->windowTitle(), Q("登录百度帐号"));
  EXPECT_EQ(w->size(), QSize(239, 351)) << "outer 245 x 376";
  EXPECT_EQ(w->minimumSize(), w->maximumSize());
  Qt::WindowFlags flags = w->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(w->Browser()->geometry(), QRect(0, 0, 257, 292)) << "wider than the window: cut off at the right";
  EXPECT_EQ(w->ConfirmButton()->geometry(), QRect(12, 305, 215, 32));
  EXPECT_EQ(w->ConfirmButton()->text(), Q("我确认已经登录帐号,立即进入主界面"));
  EXPECT_EQ(w->Browser()->zoomFactor(), 1.0);
  EXPECT_EQ(w->Browser()->url().toString(QUrl::FullyEncoded).toStdString(), LoginAddress(Site()));
  EXPECT_TRUE(w->Browser()->page()->profile()->isOffTheRecord());
}

TEST_F(LoginWindowTest, ConfirmDestroysTheWindowAndNeverRaisesItsCloseRequest) {
  QTimer::singleShot(200, [this] {
    ASSERT_TRUE(window);
    QTest::mouseClick(window->ConfirmButton(), Qt::LeftButton);
  });
  services.LoadWindowModal(Control::LoginWindow, Control::MainWindow);
  EXPECT_TRUE(WaitUntil([&] { return window.isNull(); }));
  EXPECT_EQ(closeRequests, 0);
}

TEST_F(LoginWindowTest, CloseBoxReachesTheCloseRequestHandler) {
  LoginWindow* w = Open();
  w->close();  // what the close box, Alt+F4 and the system menu send
  EXPECT_EQ(closeRequests, 1);
}

TEST_F(LoginWindowTest, CookiesFromTheLoginFormReachTheProgramsRequests) {
  EXPECT_EQ(SimpleHttpGet(AnswerPageUrl(0)), fixed::EndMarker()) << "not logged in yet";
  Open();
  TrackLoading();
  ASSERT_TRUE(WaitForPage("/passport"));
  RunScript("document.getElementById('user').value='demo'; document.getElementById('login').submit();");
  ASSERT_TRUE(WaitUntil([&] { return HasSessionCookie(); }, 20000));
  QTest::mouseClick(window->ConfirmButton(), Qt::LeftButton);
  EXPECT_EQ(SimpleHttpGet(AnswerPageUrl(0)), LoginTestServer::kAnswersMarker);

  // A cookie the page drops leaves the shared store too.
  ASSERT_TRUE(WaitUntil([&] { return window.isNull(); }));
  Open();
  TrackLoading();
  ASSERT_TRUE(WaitForPage("/passport"));
  // HttpOnly keeps the script away from it: replace it from the server side instead.
  RunScript("document.cookie = 'visible=1; path=/';");
  ASSERT_TRUE(WaitUntil([] {
    auto all = StoredCookies();
    return std::any_of(all.begin(), all.end(), [](const Cookie& c) { return c.name == "visible"; });
  }));
  RunScript("document.cookie = 'visible=; path=/; expires=Thu, 01 Jan 1970 00:00:00 GMT';");
  EXPECT_TRUE(WaitUntil([] {
    auto all = StoredCookies();
    return std::none_of(all.begin(), all.end(), [](const Cookie& c) { return c.name == "visible"; });
  }));
}

TEST_F(LoginWindowTest, NewWindowNavigatesInPlaceAndOpensNoOtherWindow) {
  services.Register(Control::超文本浏览框1, nullptr);
  LoginWindow* w = Open();
  TrackLoading();
  ASSERT_TRUE(WaitForPage("/passport"));
  auto windows = QApplication::topLevelWidgets().size();

  // A script opens a window: no status text, so the page asked for is opened here.
  RunScript("window.open('/popup', 'other');");
  EXPECT_TRUE(WaitForPage("/popup"));

  // A link was under the pointer: its address (the status text) is written as the address.
  emit w->Browser()->page()->linkHovered(
      QString::fromStdString("http://127.0.0.1:" + std::to_string(server.Port()) + "/hovered"));
  EXPECT_EQ(w->Browser()->StatusText(), "http://127.0.0.1:" + std::to_string(server.Port()) + "/hovered");
  RunScript("window.open('/other', 'other');");
  EXPECT_TRUE(WaitForPage("/hovered"));
  Settle(200);
  EXPECT_EQ(QApplication::topLevelWidgets().size(), windows);
}

}  // namespace

#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory_window_services.h"
#include "platform/site_config.h"
#include "platform/web_session.h"
#include "site/stand_in_site.h"

// A stand-in site on a free loopback port, the program's configuration pointed
// at it, an in-memory window, and a clean cookie store.
class SiteFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureCurlReady();
    ClearCookies();
    ASSERT_TRUE(site.Start(0));
    SetSite(LocalSiteConfig(site.Port()));
    InstallWindowServices(&window);
  }

  void TearDown() override {
    InstallWindowServices(nullptr);
    site.Stop();
    ClearCookies();
  }

  // Adds the account and puts its session cookie in the shared store, as a login does.
  void LogIn(const site::Account& account) {
    site.AddAccount(account);
    Cookie cookie;
    cookie.domain = "127.0.0.1";
    cookie.name = site.SessionCookieName();
    cookie.value = site.Session(account.name);
    StoreCookie(cookie);
  }

  std::vector<site::RecordedRequest> RequestsTo(const std::string& pathPrefix) {
    std::vector<site::RecordedRequest> out;
    for (const auto& r : site.Requests()) {
      if (r.requestLine.find(" " + pathPrefix) != std::string::npos) out.push_back(r);
    }
    return out;
  }

  site::StandInSite site;
  MemoryWindowServices window;
};

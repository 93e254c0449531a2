#include "platform/site_config.h"

#include <gtest/gtest.h>

namespace {

TEST(SiteConfigTest, LoginAddressOfTheRealSiteIsByteExact) {
  SiteConfig real;
  const std::string id = real.visitorId;
  ASSERT_EQ(id.size(), 32u);
  for (char c : id) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << c;
  EXPECT_EQ(LoginAddress(real),
            "http://wappass.baidu.com/passport?login&tpl=zd&u=http%3A%2F%2Fwapiknow.baidu.com"
            "%2F%3Fssid%3D0%26from%3D0%26bd_page_type%3D1%26uid%3D" +
                id +
                "%26pu%3Dsz%2540224_220%26idx%3D20000%26itj%3D24"
                "&from=0&regtype=1&ssid=0&uid=" +
                id + "&pu=sz%40224_220%2Cos%40&bd_page_type=1&init=middle&step=1");
}

TEST(SiteConfigTest, PagesAndEndpointOnTheConfiguredHost) {
  SiteConfig saved = Site();
  EXPECT_EQ(AnswerPageUrl(50), "http://zhidao.baidu.com/uhome/answer?filter=1&pn=50");
  EXPECT_EQ(HideEndpointUrl(), "http://zhidao.baidu.com/submit/user");
  SetSite(LocalSiteConfig(8123));
  EXPECT_EQ(AnswerPageUrl(0), "http://127.0.0.1:8123/uhome/answer?filter=1&pn=0");
  EXPECT_EQ(HideEndpointUrl(), "http://127.0.0.1:8123/submit/user");
  SetSite(saved);
}

}  // namespace

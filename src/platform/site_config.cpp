#include "platform/site_config.h"

#include <memory>

#include "text/fixed_texts.h"

namespace {
// Written before threads start, read after: a plain holder is enough.
SiteConfig& Holder() {
  static SiteConfig config;
  return config;
}
}  // namespace

const SiteConfig& Site() { return Holder(); }

void SetSite(const SiteConfig& config) { Holder() = config; }

SiteConfig LocalSiteConfig(int port) {
  SiteConfig config;
  Text host = "127.0.0.1:" + DecimalText(port);
  config.siteHost = host;
  config.passportHost = host;
  config.wapHost = host;
  config.homePage = "http://" + host + "/publisher/home";
  config.helpPage = "http://" + host + "/publisher/help";
  config.downloadsPage = "http://" + host + "/publisher/downloads";
  return config;
}

Text AnswerPageUrl(int pageOffset) {
  return "http://" + Site().siteHost + fixed::AnswerPagePath() + DecimalText(pageOffset);
}

Text HideEndpointUrl() { return "http://" + Site().siteHost + fixed::HidePath(); }

Text LoginAddress(const SiteConfig& config) {
  Text returnAddress = "http%3A%2F%2F" + config.wapHost +
                       "%2F%3Fssid%3D0%26from%3D0%26bd_page_type%3D1%26uid%3D" + config.visitorId +
                       "%26pu%3Dsz%2540224_220%26idx%3D20000%26itj%3D24";
  return "http://" + config.passportHost + "/passport?login&tpl=zd&u=" + returnAddress +
         "&from=0&regtype=1&ssid=0&uid=" + config.visitorId +
         "&pu=sz%40224_220%2Cos%40&bd_page_type=1&init=middle&step=1";
}

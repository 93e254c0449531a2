#pragma once

#include "text/gbk_text.h"

// Where the program finds the site and the publisher. One place for all of it:
// the program uses the real hosts; tests and the demo point every host at a
// stand-in site on 127.0.0.1.
struct SiteConfig {
  // Host (with ":port" where not 80) of the Q&A site's answer pages and hide endpoint.
  Text siteHost = "zhidao.baidu.com";
  // Host of the mobile login page.
  Text passportHost = "wappass.baidu.com";
  // Host of the mobile Q&A site the login returns to.
  Text wapHost = "wapiknow.baidu.com";
  // Fixed visitor identifier: 32 upper-case hexadecimal digits.
  Text visitorId = "4F7A1C9E2B8D46A0953E7C1D0B6F2A85";
  Text homePage = "https://github.com/quillmere/quillmere";
  Text helpPage = "https://github.com/quillmere/quillmere#readme";
  Text downloadsPage = "https://github.com/quillmere/quillmere/releases";
};

const SiteConfig& Site();
// Replaces the configuration; call before any window or thread starts.
void SetSite(const SiteConfig& config);

// Every host at 127.0.0.1:port, the publisher pages on the same server.
SiteConfig LocalSiteConfig(int port);

// "http://" + site host + "/uhome/answer?filter=1&pn=" + offset.
Text AnswerPageUrl(int pageOffset);
// "http://" + site host + "/submit/user".
Text HideEndpointUrl();
// The mobile login page with its return address, byte for byte as the site expects.
Text LoginAddress(const SiteConfig& config);

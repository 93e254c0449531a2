// The program against the stand-in site, started in this process with the
// demo account ("demo" / "demo").
#include <cstdio>

#include "app/startup.h"
#include "platform/site_config.h"
#include "site/stand_in_site.h"

int main() {
  static site::StandInSite standIn;  // serves until the process ends
  if (!standIn.Start(0)) {
    std::fprintf(stderr, "quillmere-demo: the stand-in site could not start\n");
    return 1;
  }
  standIn.AddAccount(site::StandInSite::DemoAccount());
  SetSite(LocalSiteConfig(standIn.Port()));
  std::printf("stand-in site on http://127.0.0.1:%d/ - log in as demo / demo\n", standIn.Port());
  std::fflush(stdout);
  StartQuillmere("quillmere-demo");
}

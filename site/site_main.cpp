#include <pthread.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "site/stand_in_site.h"

// quillmere-site [--answers N | --demo] [--port P]: serves one account on
// 127.0.0.1 until SIGINT or SIGTERM.
int main(int argc, char** argv) {
  int answers = 100;
  int port = 0;
  bool demo = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--answers" && i + 1 < argc) {
      answers = std::atoi(argv[++i]);
    } else if (arg == "--port" && i + 1 < argc) {
      port = std::atoi(argv[++i]);
    } else if (arg == "--demo") {
      demo = true;
    } else {
      std::fprintf(stderr, "usage: %s [--answers N | --demo] [--port P]\n", argv[0]);
      return 2;
    }
  }
  if (answers < 0 || port < 0 || port > 65535) {
    std::fprintf(stderr, "%s: bad number\n", argv[0]);
    return 2;
  }

  // Block the stop signals before any thread starts, then wait for one of them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  site::StandInSite server;
  site::Account account =
      demo ? site::StandInSite::DemoAccount() : site::StandInSite::GenerateAccount("user", "secret", answers);
  std::string name = account.name;
  std::string password = account.password;
  server.AddAccount(std::move(account));
  if (!server.Start(port)) {
    std::fprintf(stderr, "%s: cannot listen on 127.0.0.1:%d: %s\n", argv[0], port, std::strerror(errno));
    return 1;
  }
  std::printf("port %d\naccount %s\npassword %s\ncookie %s=%s\n", server.Port(), name.c_str(), password.c_str(),
              server.SessionCookieName().c_str(), server.Session(name).c_str());
  std::fflush(stdout);
  int received = 0;
  sigwait(&signals, &received);
  server.Stop();
  return 0;
}

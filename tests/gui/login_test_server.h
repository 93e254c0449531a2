#pragma once

#include <memory>
#include <string>

// A small loopback server with just enough of the site for the login tests:
// a login page whose form sets a session cookie, an answer page that shows
// answers only to that session, and two pages for new-window checks.
class LoginTestServer {
 public:
  static constexpr const char* kSessionName = "QSESSION";
  static constexpr const char* kSessionValue = "s3cr3t-session-7f1e";
  static constexpr const char* kAnswersMarker = "answers-of-the-logged-in-account";

  LoginTestServer();
  ~LoginTestServer();
  int Port() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

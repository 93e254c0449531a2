#include "login_test_server.h"

#include <httplib.h>

#include <thread>

#include "text/fixed_texts.h"

struct LoginTestServer::Impl {
  httplib::Server server;
  std::thread thread;
  int port = 0;
};

LoginTestServer::LoginTestServer() : impl_(std::make_unique<Impl>()) {
  httplib::Server& s = impl_->server;
  s.Get("/passport", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(
        "<html><body><form id=\"login\" method=\"post\" action=\"/login\">"
        "<input id=\"user\" name=\"user\"><input id=\"password\" name=\"password\" type=\"password\">"
        "<input id=\"go\" type=\"submit\" value=\"go\"></form>"
        "<a id=\"other\" href=\"/other\" target=\"_blank\">other</a></body></html>",
        "text/html");
  });
  s.Post("/login", [](const httplib::Request& req, httplib::Response& res) {
    if (req.get_param_value("user").empty()) {
      res.set_content("<html><body>no user</body></html>", "text/html");
      return;
    }
    res.set_header("Set-Cookie", std::string(kSessionName) + "=" + kSessionValue + "; Path=/; HttpOnly");
    res.set_content("<html><body>welcome</body></html>", "text/html");
  });
  s.Get("/uhome/answer", [](const httplib::Request& req, httplib::Response& res) {
    std::string cookies = req.get_header_value("Cookie");
    bool loggedIn = cookies.find(std::string(kSessionName) + "=" + kSessionValue) != std::string::npos;
    res.set_content(loggedIn ? std::string(kAnswersMarker) : fixed::EndMarker(), "text/html");
  });
  s.Get("/echo-cookies", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(req.get_header_value("Cookie"), "text/plain");
  });
  s.Get("/path/echo-cookies", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(req.get_header_value("Cookie"), "text/plain");
  });
  s.Get(R"(/(other|popup|hovered))", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content("<html><body>" + req.path + "</body></html>", "text/html");
  });
  impl_->port = s.bind_to_any_port("127.0.0.1");
  impl_->thread = std::thread([this] { impl_->server.listen_after_bind(); });
  while (!impl_->server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LoginTestServer::~LoginTestServer() {
  impl_->server.stop();
  if (impl_->thread.joinable()) impl_->thread.join();
}

int LoginTestServer::Port() const {
  return impl_->port;
}

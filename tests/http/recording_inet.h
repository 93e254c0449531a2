#pragma once

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/inet.h"

// An inet layer that performs nothing: it records every call with its
// arguments and answers from a script. Installed for the lifetime of the
// object.
class RecordingInet : public inet::Inet {
 public:
  RecordingInet() { inet::InstallInet(this); }
  ~RecordingInet() override { inet::InstallInet(nullptr); }

  // Script.
  bool failSession = false;
  bool failConnect = false;
  bool failRequest = false;
  Bytes responseBody;
  bool endlessBody = false;  // every read delivers a full chunk
  std::optional<Text> rawHeaders = Text("HTTP/1.1 200 OK\r\n\r\n");

  // What was called, in order: "OpenSession", "Connect", ... "Close 3", "SetCookie".
  std::vector<std::string> calls;
  Text agent;
  int accessType = 0;
  Text proxy;
  Text host;
  int port = 0;
  Text method, path, version;
  std::uint32_t flags = 0;
  Text headers;
  Bytes body;
  std::vector<std::size_t> readSizes;
  std::vector<std::tuple<Text, Text, Text>> cookiesSet;

  static constexpr inet::Handle kSession = 1, kConnection = 2, kRequest = 3;

  inet::Handle OpenSession(const Text& a, int type, const Text& p, std::shared_ptr<inet::Cancellation>) override {
    calls.push_back("OpenSession");
    agent = a;
    accessType = type;
    proxy = p;
    return failSession ? 0 : kSession;
  }
  inet::Handle Connect(inet::Handle, const Text& h, int p) override {
    calls.push_back("Connect");
    host = h;
    port = p;
    return failConnect ? 0 : kConnection;
  }
  inet::Handle OpenRequest(inet::Handle, const Text& m, const Text& p, const Text& v, std::uint32_t f) override {
    calls.push_back("OpenRequest");
    method = m;
    path = p;
    version = v;
    flags = f;
    return failRequest ? 0 : kRequest;
  }
  bool SendRequest(inet::Handle, const Text& h, const Bytes& b) override {
    calls.push_back("SendRequest");
    headers = h;
    body = b;
    return true;
  }
  bool ReadBody(inet::Handle, char* buffer, std::size_t size, std::size_t& read) override {
    if (calls.empty() || calls.back() != "ReadBody") calls.push_back("ReadBody");
    readSizes.push_back(size);
    read = endlessBody ? size : std::min(size, responseBody.size() - readAt_);
    if (!endlessBody) {
      responseBody.copy(buffer, read, readAt_);
      readAt_ += read;
    }
    return true;
  }
  std::optional<Text> QueryRawHeaders(inet::Handle) override {
    calls.push_back("QueryRawHeaders");
    return rawHeaders;
  }
  void Close(inet::Handle handle) override { calls.push_back("Close " + std::to_string(handle)); }
  bool SetCookie(const Text& url, const Text& name, const Text& data) override {
    calls.push_back("SetCookie");
    cookiesSet.emplace_back(url, name, data);
    return true;
  }

 private:
  std::size_t readAt_ = 0;
};

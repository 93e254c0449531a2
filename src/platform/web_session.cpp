#include "platform/web_session.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <array>
#include <atomic>
#include <ctime>
#include <mutex>
#include <sstream>
#include <thread>

#include "text/fixed_texts.h"

extern char** environ;

namespace {

std::once_flag curlOnce;

// libcurl asks the share to lock each kind of data it holds.
std::array<std::mutex, CURL_LOCK_DATA_LAST> shareLocks;

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void*) { shareLocks[static_cast<size_t>(data)].lock(); }
void UnlockShare(CURL*, curl_lock_data data, void*) { shareLocks[static_cast<size_t>(data)].unlock(); }

CURLSH* MakeShare() {
  EnsureCurlReady();
  CURLSH* share = curl_share_init();
  curl_share_setopt(share, CURLSHOPT_LOCKFUNC, LockShare);
  curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, UnlockShare);
  curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
  return share;
}

struct EasyHandle {
  CURL* handle = curl_easy_init();
  ~EasyHandle() { curl_easy_cleanup(handle); }
};

// A handle for reading or writing the store itself.
void WithStoreHandle(const std::function<void(CURL*)>& action) {
  EasyHandle easy;
  if (!easy.handle) return;
  UseSharedCookies(easy.handle);
  action(easy.handle);
}

std::string NetscapeLine(const Cookie& cookie, long long expires) {
  // Netscape cookie-file form: a host-only cookie has FALSE in the second field.
  std::string domain = cookie.hostOnly ? cookie.domain : "." + cookie.domain;
  std::ostringstream line;
  line << (cookie.httpOnly ? "#HttpOnly_" : "") << domain << '\t' << (cookie.hostOnly ? "FALSE" : "TRUE") << '\t'
       << (cookie.path.empty() ? "/" : cookie.path) << '\t' << (cookie.secure ? "TRUE" : "FALSE") << '\t' << expires
       << '\t' << cookie.name << '\t' << cookie.value;
  return line.str();
}

std::atomic<long> stallSeconds{30};

size_t AppendBody(char* data, size_t size, size_t count, void* user) {
  auto* body = static_cast<Bytes*>(user);
  size_t n = size * count;
  if (body->size() + n > kSimpleGetMaxBytes) {
    body->append(data, kSimpleGetMaxBytes - body->size());
    return 0;  // stop: the reply is larger than any page of the site
  }
  body->append(data, n);
  return n;
}

std::mutex openerMutex;
std::function<void(const Text&)> browserOpener;

void SpawnXdgOpen(const Text& url) {
  std::string address = url;
  char program[] = "xdg-open";
  char* argv[] = {program, address.data(), nullptr};
  pid_t pid = 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (posix_spawnp(&pid, program, &actions, nullptr, argv, environ) == 0) {
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  }
  posix_spawn_file_actions_destroy(&actions);
}

}  // namespace

void EnsureCurlReady() {
  std::call_once(curlOnce, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CURLSH* SharedCookieStore() {
  static CURLSH* share = MakeShare();  // lives until the process ends
  return share;
}

void UseSharedCookies(CURL* handle) {
  curl_easy_setopt(handle, CURLOPT_SHARE, SharedCookieStore());
  curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");  // cookie engine on, reads no file
}

void StoreCookie(const Cookie& cookie) {
  std::string line = NetscapeLine(cookie, cookie.expires);
  WithStoreHandle([&](CURL* h) { curl_easy_setopt(h, CURLOPT_COOKIELIST, line.c_str()); });
}

void RemoveCookie(const Cookie& cookie) {
  // The store has no delete for one cookie: replace it by an expired copy,
  // which it then drops.
  std::string line = NetscapeLine(cookie, 1);
  WithStoreHandle([&](CURL* h) { curl_easy_setopt(h, CURLOPT_COOKIELIST, line.c_str()); });
}

void StoreCookieForUrl(const std::string& url, const std::string& name, const std::string& data) {
  CURLU* parsed = curl_url();
  std::string host;
  if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK) {
    char* h = nullptr;
    if (curl_url_get(parsed, CURLUPART_HOST, &h, 0) == CURLUE_OK && h) host = h;
    curl_free(h);
  }
  curl_url_cleanup(parsed);
  if (host.empty()) return;
  std::string value = data;
  std::string attributes;
  if (size_t semi = data.find(';'); semi != std::string::npos) {
    value = data.substr(0, semi);
    attributes = data.substr(semi);
  }
  // Set-Cookie form with the host as its default domain.
  std::string line = "Set-Cookie: " + name + "=" + value + attributes;
  std::string lowered = AsciiLower(attributes);
  if (lowered.find("domain=") == std::string::npos) line += "; domain=" + host;
  WithStoreHandle([&](CURL* h) { curl_easy_setopt(h, CURLOPT_COOKIELIST, line.c_str()); });
}

std::vector<Cookie> StoredCookies() {
  std::vector<Cookie> cookies;
  const long long now = static_cast<long long>(std::time(nullptr));
  WithStoreHandle([&](CURL* h) {
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_COOKIELIST, &list) != CURLE_OK) return;
    for (curl_slist* item = list; item; item = item->next) {
      std::string line = item->data;
      Cookie c;
      const std::string httpOnlyPrefix = "#HttpOnly_";
      if (line.rfind(httpOnlyPrefix, 0) == 0) {
        c.httpOnly = true;
        line.erase(0, httpOnlyPrefix.size());
      }
      std::vector<std::string> fields;
      std::string field;
      std::istringstream in(line);
      while (std::getline(in, field, '\t')) fields.push_back(field);
      if (fields.size() < 6) continue;
      c.domain = fields[0];
      if (!c.domain.empty() && c.domain[0] == '.') c.domain.erase(0, 1);
      c.hostOnly = fields[1] != "TRUE";
      c.path = fields[2];
      c.secure = fields[3] == "TRUE";
      c.expires = std::stoll(fields[4]);
      c.name = fields[5];
      c.value = fields.size() > 6 ? fields[6] : "";
      // A removed cookie stays listed, expired, until libcurl next prunes its
      // store; it is never sent, so it is not reported either.
      if (c.expires != 0 && c.expires <= now) continue;
      cookies.push_back(c);
    }
    curl_slist_free_all(list);
  });
  return cookies;
}

void ClearCookies() {
  WithStoreHandle([](CURL* h) { curl_easy_setopt(h, CURLOPT_COOKIELIST, "ALL"); });
}

void SetSimpleGetStallSeconds(long seconds) { stallSeconds.store(seconds); }

Bytes SimpleHttpGet(const Text& url) {
  Text address = TextOf(url);
  if (size_t hash = address.find('#'); hash != Text::npos) address.resize(hash);
  if (address.empty()) return {};
  EnsureCurlReady();
  EasyHandle easy;
  if (!easy.handle) return {};
  CURL* h = easy.handle;
  Bytes body;
  curl_slist* headers = curl_slist_append(nullptr, "Accept: */*");
  curl_easy_setopt(h, CURLOPT_URL, address.c_str());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
  curl_easy_setopt(h, CURLOPT_USERAGENT, fixed::SimpleGetAgent().c_str());
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 20L);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 30L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, stallSeconds.load());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, AppendBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
  UseSharedCookies(h);
  curl_easy_perform(h);  // whatever went wrong, the caller judges the body alone
  curl_slist_free_all(headers);
  return body;
}

bool StartThread(std::function<void(int)> routine, int parameter) {
  try {
    std::thread([routine = std::move(routine), parameter] { routine(parameter); }).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

void SetBrowserOpener(std::function<void(const Text&)> opener) {
  std::lock_guard lock(openerMutex);
  browserOpener = std::move(opener);
}

void OpenUrlInBrowser(const Text& url) {
  std::function<void(const Text&)> opener;
  {
    std::lock_guard lock(openerMutex);
    opener = browserOpener;
  }
  if (opener) {
    opener(url);
  } else {
    SpawnXdgOpen(url);
  }
}

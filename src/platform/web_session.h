#pragma once

#include <functional>
#include <string>
#include <vector>

#include <curl/curl.h>

#include "text/gbk_text.h"

// Initialises libcurl once for the process (safe to call from any thread,
// but call it first on the main thread before other threads start).
void EnsureCurlReady();

// --- The process-wide cookie store -----------------------------------------
// One in-memory store, shared by the login browser, the simple GET and every
// request that brings no cookies of its own. Nothing is ever written to disk.

struct Cookie {
  std::string domain;     // without a leading dot
  bool hostOnly = true;   // false: also sent to subdomains
  std::string path = "/";
  bool secure = false;
  bool httpOnly = false;
  long long expires = 0;  // seconds since 1970; 0 for a session cookie
  std::string name;
  std::string value;
};

// The share handle to set as CURLOPT_SHARE on every easy handle that uses the store.
CURLSH* SharedCookieStore();
// Points an easy handle at the shared store and turns its cookie engine on.
void UseSharedCookies(CURL* handle);
// Adds or replaces a cookie (same name, domain and path).
void StoreCookie(const Cookie& cookie);
void RemoveCookie(const Cookie& cookie);
// Stores what a response's "Set-Cookie:" line would, for the given URL's host
// (name and data; data may carry attributes after ";").
void StoreCookieForUrl(const std::string& url, const std::string& name, const std::string& data);
std::vector<Cookie> StoredCookies();
void ClearCookies();

// --- Simple GET ------------------------------------------------------------
// GET with the old-browser agent, HTTP/1.0, "Accept: */*", the system proxy
// (proxy environment variables), the shared cookies, redirects followed. The
// address is cut at its first "#". Returns the body whatever the status; empty
// bytes when nothing could be read; what arrived when the body broke off.
Bytes SimpleHttpGet(const Text& url);

// A GET that stalls (no byte for this many seconds) ends with what it has.
// Bodies are cut at kSimpleGetMaxBytes.
void SetSimpleGetStallSeconds(long seconds);
constexpr size_t kSimpleGetMaxBytes = 64u * 1024u * 1024u;

// --- Threads and the user's browser -----------------------------------------

// Runs routine(parameter) on a new detached thread; false when none could start.
bool StartThread(std::function<void(int)> routine, int parameter);

// Opens the address in the user's default browser (xdg-open, no shell). The
// outcome is not examined. Tests may install their own opener.
void OpenUrlInBrowser(const Text& url);
void SetBrowserOpener(std::function<void(const Text&)> opener);

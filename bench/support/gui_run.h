#pragma once

#include <functional>
#include <string>

#include "site/stand_in_site.h"

class QtWindowServices;

// What one run of a routine on a worker thread cost, and how long the GUI
// thread's event loop went without a tick meanwhile.
struct GuiRun {
  double seconds = 0;
  double longestGapMs = 0;
};

// Runs `work` on a new thread while the GUI thread runs its event loop;
// returns when `work` has ended. With `watchGaps`, a 2 ms timer on the GUI
// thread records the longest time between two of its ticks.
GuiRun RunOnWorkerThread(const std::function<void()>& work, bool watchGaps);

// The main window under the Qt backend, offscreen, with a stand-in site whose
// account `name` has `answers` answers and is logged in in the cookie store.
class BenchProgram {
 public:
  BenchProgram(int& argc, char** argv);
  ~BenchProgram();
  // A new account on the same site; its session replaces the previous one.
  site::Account LogInNewAccount(const std::string& name, int answers);
  site::StandInSite& Site();
  QtWindowServices& Services();

 private:
  struct State;
  State* state_;
};

// A plain libcurl transfer with a fresh connection, as bare as the program's
// own request would be: the body bytes it got.
std::string BareGet(const std::string& url, const std::string& cookie);
std::string BarePost(const std::string& url, const std::string& body, const std::string& cookie);

// Median of the values.
double Median(std::vector<double> values);

// The whole program in a process of its own: how it starts, what a close does
// to it, and what it leaves on disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "login_test_server.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Line {
  std::string text;
  Clock::time_point at;
};

struct ChildRun {
  std::vector<Line> lines;
  int exitCode = -1;
  bool exited = false;
  Clock::time_point end;

  bool Has(const std::string& prefix) const { return Find(prefix) != nullptr; }
  const Line* Find(const std::string& prefix) const {
    for (const Line& l : lines) {
      if (l.text.rfind(prefix, 0) == 0) return &l;
    }
    return nullptr;
  }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const Line& l : lines) n += l.text.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
  std::string All() const {
    std::string all;
    for (const Line& l : lines) all += l.text + "\n";
    return all;
  }
};

// Runs the scripted program with HOME pointing at `home`; kills it after `limit`.
ChildRun RunChild(const std::string& mode, const std::string& home, std::chrono::seconds limit) {
  int out[2];
  if (pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    if (entry.rfind("HOME=", 0) == 0 || entry.rfind("XDG_", 0) == 0) continue;
    env.push_back(entry);
  }
  env.push_back("HOME=" + home);
  env.push_back("QT_QPA_PLATFORM=offscreen");
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = PROGRAM_CHILD;
  std::vector<char*> argv = {program.data(), const_cast<char*>(mode.c_str()), nullptr};

  ChildRun run;
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    return run;
  }
  auto deadline = Clock::now() + limit;
  std::string pending;
  for (;;) {
    int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    if (left <= 0) break;
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, left) <= 0) break;
    char buffer[4096];
    ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;  // the child is gone (or closed its output)
    pending.append(buffer, static_cast<size_t>(n));
    for (size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1)) {
      run.lines.push_back({pending.substr(0, nl), Clock::now()});
    }
  }
  close(out[0]);
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (Clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return run;
    }
    usleep(10000);
  }
  run.end = Clock::now();
  run.exited = WIFEXITED(status);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quillmere-home-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    home = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(home); }

  std::string home;
};

TEST_F(ProgramTest, ClosingTheLoginWindowEndsTheProgramBeforeTheMainWindowShows) {
  ChildRun run = RunChild("close-login", home, std::chrono::seconds(60));
  ASSERT_TRUE(run.exited) << run.All();
  EXPECT_EQ(run.exitCode, 0);
  ASSERT_TRUE(run.Has("closing-login")) << run.All();
  EXPECT_TRUE(run.Has("shown LoginWindow visible=LoginWindow,")) << run.All();
  EXPECT_FALSE(run.Has("shown MainWindow")) << run.All();
  EXPECT_FALSE(run.Has("open ")) << "the home page opens only when the main window closes";
}

TEST_F(ProgramTest, LoginThenCloseWhileAWorkerWaitsInAWindowCall) {
  ChildRun run = RunChild("login-and-quit", home, std::chrono::seconds(90));
  ASSERT_TRUE(run.exited) << run.All();
  EXPECT_EQ(run.exitCode, 0);
  // The login window first and alone, the main window after it is gone.
  ASSERT_FALSE(run.lines.empty());
  EXPECT_EQ(run.lines.front().text, "shown LoginWindow visible=LoginWindow,") << run.All();
  EXPECT_TRUE(run.Has("shown MainWindow visible=MainWindow,")) << run.All();
  // The browser's login cookie went out with the program's own GET.
  EXPECT_TRUE(run.Has("answers-seen")) << run.All();
  // Closing opened the home page once and ended the process promptly, the
  // worker still waiting in a window call (the opener held the GUI thread).
  const Line* closing = run.Find("closing");
  ASSERT_NE(closing, nullptr) << run.All();
  EXPECT_EQ(run.Count("open "), 1) << run.All();
  auto exitDelay = std::chrono::duration_cast<std::chrono::milliseconds>(run.end - closing->at);
  EXPECT_LT(exitDelay.count(), 1000 + 300) << "300 ms of it is the opener's own wait";

  // Nothing under $HOME holds the session cookie. The browser's own stores
  // write late (a persistent profile may not have flushed yet when the
  // process ends), so the run must not have left any file there at all.
  std::vector<std::string> holders;
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(home)) {
    if (!entry.is_regular_file()) continue;
    files.push_back(entry.path());
    std::ifstream file(entry.path(), std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (content.find(LoginTestServer::kSessionValue) != std::string::npos) holders.push_back(entry.path());
  }
  EXPECT_TRUE(holders.empty()) << holders.front();
  EXPECT_TRUE(files.empty()) << files.front();
}

TEST_F(ProgramTest, EndProgramFromAWorkerEndsTheProcessWithItsCode) {
  ChildRun run = RunChild("end-from-worker", home, std::chrono::seconds(20));
  ASSERT_TRUE(run.exited) << run.All();
  EXPECT_EQ(run.exitCode, 7);
  const Line* ending = run.Find("ending");
  ASSERT_NE(ending, nullptr);
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(run.end - ending->at).count(), 1000);
}

TEST_F(ProgramTest, LoginOnTheStandInSiteThenFetchShowsTheAccountsAnswers) {
  ChildRun run = RunChild("stand-in", home, std::chrono::seconds(90));
  ASSERT_TRUE(run.exited) << run.All();
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(run.Has("end-marker-before-login")) << run.All();
  EXPECT_TRUE(run.Has("answers-seen")) << run.All();
  EXPECT_TRUE(run.Has("fetched 60")) << run.All();
}

}  // namespace

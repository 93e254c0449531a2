#include "platform/window_services.h"

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<WindowServices*> installed{nullptr};
}

void InstallWindowServices(WindowServices* services) { installed.store(services); }

bool HasWindowServices() { return installed.load() != nullptr; }

WindowServices& Window() {
  WindowServices* services = installed.load();
  if (services == nullptr) std::abort();  // a routine ran before the window existed
  return *services;
}

const char* ControlName(Control control) {
  switch (control) {
    case Control::MainWindow: return "MainWindow";
    case Control::超级链接框1: return "超级链接框1";
    case Control::超级链接框2: return "超级链接框2";
    case Control::分组框1: return "分组框1";
    case Control::超级列表框1: return "超级列表框1";
    case Control::选择框全选反选: return "选择框全选反选";
    case Control::进度条1: return "进度条1";
    case Control::标签1: return "标签1";
    case Control::编辑框关键字: return "编辑框关键字";
    case Control::按钮一键选中: return "按钮一键选中";
    case Control::按钮获取所有回答记录: return "按钮获取所有回答记录";
    case Control::按钮隐藏选中回答记录: return "按钮隐藏选中回答记录";
    case Control::LoginWindow: return "LoginWindow";
    case Control::超文本浏览框1: return "超文本浏览框1";
    case Control::按钮1: return "按钮1";
  }
  return "?";
}

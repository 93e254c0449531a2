#include <iterator>
#include <string>

#include "site/stand_in_site.h"

// Generated and demo accounts of the stand-in site. Everything is
// deterministic: the same name gives the same ids, check codes and titles.
namespace site {
namespace {

class Sequence {
 public:
  explicit Sequence(const std::string& seed) {
    for (char c : seed) state_ = (state_ ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  }
  unsigned long long Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return state_ >> 33;
  }
  size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }

 private:
  unsigned long long state_ = 1469598103934665603ull;
};

// Check codes: letters and digits, like the site's own.
std::string CheckCode(Sequence& sequence) {
  static const char digits[] = "0123456789abcdef";
  std::string code;
  for (int i = 0; i < 24; ++i) code += digits[sequence.Below(16)];
  return code;
}

const char* const kTopics[] = {"Python", "Excel", "Java",   "iPhone", "Windows 10", "WiFi", "手机", "电脑",
                               "笔记本", "微信",  "路由器", "打印机", "显卡",       "U盘",  "淘宝"};
const char* const kThings[] = {"数据分析", "网络", "系统", "蓝牙", "密码", "内存", "表格", "游戏", "截图", "字体"};
const char* const kPatterns[] = {"{a}怎么办?",
                                 "{a}开不了机怎么办",
                                 "{a}和{b}哪个好",
                                 "如何用{a}做{b}",
                                 "{a}总是卡顿是什么原因",
                                 "求推荐适合{b}的{a}",
                                 "{a}连不上{b}怎么办",
                                 "{a}的{b}在哪里设置",
                                 "{a} {b} 入门教程有哪些",
                                 "为什么{a}的{b}突然没了"};

std::string Fill(std::string pattern, const std::string& a, const std::string& b) {
  for (auto [key, value] : {std::pair<std::string, std::string>{"{a}", a}, {"{b}", b}}) {
    size_t at = pattern.find(key);
    if (at != std::string::npos) pattern.replace(at, key.size(), value);
  }
  return pattern;
}

}  // namespace

Account StandInSite::GenerateAccount(std::string name, std::string password, int n) {
  Sequence sequence(name);
  Account account;
  account.name = std::move(name);
  account.password = std::move(password);
  long long base = 1000000000LL + static_cast<long long>(sequence.Below(500000)) * 4000LL;
  for (int i = 0; i < n; ++i) {
    Answer answer;
    answer.id = DecimalText(base + static_cast<long long>(i) * 7 + static_cast<long long>(sequence.Below(7)));
    answer.checkCode = CheckCode(sequence);
    std::string title = Fill(kPatterns[sequence.Below(std::size(kPatterns))],
                             kTopics[sequence.Below(std::size(kTopics))], kThings[sequence.Below(std::size(kThings))]);
    answer.title = GbkFromUtf8(title);
    account.answers.push_back(std::move(answer));
  }
  return account;
}

Account StandInSite::DemoAccount() {
  // Shared words for keyword selection: Python, Excel, 手机, 电脑, 微信, 怎么办.
  static const char* const titles[] = {
      "手机充不进电怎么办",
      "电脑开机黑屏只有鼠标怎么办",
      "Python 怎么读取 Excel 文件",
      "新买的手机需要贴膜吗",
      "电脑风扇声音很大是什么原因",
      "Python 和 Java 先学哪个好",
      "微信聊天记录怎么迁移到新手机",
      "Excel 表格怎么冻结首行",
      "笔记本电脑电池不耐用怎么办",
      "手机内存不够用怎么清理",
      "如何用 Python 写一个爬虫",
      "电脑 C 盘满了怎么办",
      "微信支付密码忘了怎么办",
      "Excel 里 VLOOKUP 函数怎么用",
      "手机 WiFi 连上了却上不了网",
      "Python 列表和元组有什么区别",
      "台式电脑和笔记本哪个适合学生",
      "微信朋友圈怎么设置三天可见",
      "手机掉水里了怎么办",
      "电脑蓝屏代码 0x0000007b 怎么解决",
      "Python pip 安装包太慢怎么办",
      "Excel 怎么把一列拆分成两列",
      "手机拍照模糊是什么原因",
      "旧电脑装什么系统比较流畅",
      "微信文件过期了还能恢复吗",
      "在网页里写 &lt;b&gt;粗体&lt;/b&gt; 和 &amp;nbsp; 为什么原样显示",
      "Python 读取中文文件乱码怎么办",
      "手机和电脑怎么互传文件",
      "Excel 数据透视表怎么做",
      "电脑突然没有声音了怎么办",
      "手机号停机了微信还能用吗",
      "Python 的 self 到底是什么意思",
      "笔记本电脑键盘进水怎么办",
      "Excel 打开很慢很卡怎么办",
      "手机总是自动重启怎么回事",
      "电脑怎么设置定时关机",
      "微信小程序开发要学什么",
      "Python 怎么把 list 写入 txt 文件",
      "手机屏幕碎了换一个多少钱",
      "电脑打字打不出中文怎么办",
      "Excel 如何批量删除空行",
      "iPhone 手机怎么截长图",
      "电脑连不上 WiFi 但手机可以",
      "Python 多线程为什么不快",
      "微信语音没有声音怎么办",
      "手机发烫严重是什么原因",
      "组装一台打游戏的电脑要多少钱",
      "Excel 公式下拉不自动计算怎么办",
      "Python 怎么安装第三方库",
      "手机相册的照片误删了怎么恢复",
      "电脑桌面图标不见了怎么办",
      "微信怎么同时登录两个账号",
      "Python 虚拟环境 venv 怎么用",
      "手机信号不好怎么办",
      "电脑开机密码忘了怎么办",
      "Excel 怎么设置下拉选项",
      "Linux 和 Windows 哪个更适合编程",
      "手机可以当电脑摄像头用吗",
      "python 入门看什么书好",  // lower case: keyword selection is case-sensitive
      "路由器怎么设置才能网速快",
  };
  Sequence sequence("demo");
  Account account;
  account.name = "demo";
  account.password = "demo";
  long long id = 1403856201LL;
  for (const char* title : titles) {
    Answer answer;
    id += 1 + static_cast<long long>(sequence.Below(90000));
    answer.id = DecimalText(id);
    answer.checkCode = CheckCode(sequence);
    answer.title = GbkFromUtf8(title);
    account.answers.push_back(std::move(answer));
  }
  return account;
}

}  // namespace site

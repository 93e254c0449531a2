#include "site/site_pages.h"

#include "text/fixed_texts.h"

namespace site {
namespace {

std::string Num(long long value) {
  return DecimalText(value);
}

// A minified-looking script on one long line: what the real pages carry
// around the list. No field delimiter may appear in it.
std::string ScriptLine(const std::string& module, int blocks) {
  std::string s = "<script type=\"text/javascript\">";
  s += "window.F=window.F||{};F._m={};F.module=function(n,f){F._m[n]=f};F.use=function(a,b){};";
  for (int i = 0; i < blocks; ++i) {
    std::string n = Num(i);
    s += "F.module(\"" + module + "/widget_" + n +
         "\",function(e,t,n){var r=e(\"common:widget/lib/jquery\"),o=e(\"common:widget/log/log\"),i=" + n +
         ";n.exports={init:function(a){r(\".answer-item[data-log-index='\"+i+\"']\").attr(\"data-seen\",\"1\");"
         "o.send({area:\"uhome\",page:\"answer\",idx:i,t:+new Date});a&&a.dataset&&(a.dataset.ready=\"" +
         n + "\")}}});";
  }
  s += "</script>\n";
  return s;
}

std::string StyleLine() {
  std::string s = "<style type=\"text/css\">";
  const char* rules[] = {".answer-item{padding:12px 15px;border-bottom:1px solid #ebebeb}",
                         ".question-title-wrap a{color:#333;font-size:16px;line-height:24px}",
                         ".question-desc{color:#999;font-size:13px;overflow:hidden;text-overflow:ellipsis}",
                         ".answer-text{color:#666;font-size:14px;max-height:66px;overflow:hidden}",
                         ".op-hide{float:right;color:#3d9aed}.op-view{margin-left:8px;color:#3d9aed}",
                         ".pager a{display:inline-block;padding:0 8px;border:1px solid #e3e3e3}",
                         ".uhome-nav a{display:inline-block;width:25%;text-align:center}"};
  for (int round = 0; round < 12; ++round) {
    for (const char* rule : rules) {
      s += ".r" + Num(round) + " ";
      s += rule;
    }
  }
  s += "</style>\n";
  return s;
}

std::string NavigationLinks() {
  std::string s = "<div id=\"header\" class=\"header-wrap\" data-log-area=\"header\">";
  const char* links[][2] = {{"/", "首页"},
                            {"/list?fr=daohang", "问题"},
                            {"/uhome/question", "我的提问"},
                            {"/uhome/answer?filter=1&amp;pn=0", "我的回答"},
                            {"/uhome/msg", "消息"},
                            {"/shop", "商城"},
                            {"/activity/daily", "每日任务"},
                            {"/help", "帮助"}};
  for (const auto& link : links) {
    s += "<a href=\"";
    s += link[0];
    s += "\" data-log=\"nav\" class=\"nav-item\">";
    s += link[1];
    s += "</a> ";
  }
  s += "</div>\n";
  return s;
}

const std::string& PageHead() {
  static const std::string head = GbkFromUtf8(
      "<!DOCTYPE html>\n<html>\n<head>\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1, user-scalable=no\">\n"
      "<title>我的回答_百度知道</title>\n"
      "<link rel=\"stylesheet\" href=\"/static/uhome/css/answer_3f2a9c1.css\">\n" +
      StyleLine() + ScriptLine("uhome:answer", 40) +
      "</head>\n<body class=\"uhome-answer\" data-page=\"answer\" data-platform=\"wap\">\n" + NavigationLinks() +
      "<div class=\"uhome-tabs\"><a href=\"/uhome/answer?filter=1&amp;pn=0\" class=\"current\" "
      "data-filter=\"1\">全部回答</a> <a href=\"/uhome/answer?filter=2&amp;pn=0\" data-filter=\"2\">被采纳</a> "
      "<a href=\"/uhome/answer?filter=3&amp;pn=0\" data-filter=\"3\">已隐藏</a></div>\n");
  return head;
}

const std::string& PageFoot() {
  static const std::string foot = GbkFromUtf8(
      "<div id=\"footer\" class=\"footer\" data-log-area=\"footer\">&copy;2026 Baidu <a href=\"/help/agreement\">"
      "使用百度前必读</a> <a href=\"/help/feedback\">意见反馈</a> <a href=\"/help/privacy\">隐私政策</a></div>\n" +
      ScriptLine("uhome:footer", 32) + "</body>\n</html>\n");
  return foot;
}

// Answer excerpts: long Chinese lines of the kind the list shows under each question.
const std::string& Excerpt(int index) {
  static const std::vector<std::string> excerpts = [] {
    const char* sentences[] = {"首先检查一下设备的电源和连接线是否正常，然后重新启动一次，大部分问题重启之后就能解决。",
                               "建议先备份重要的数据，再恢复出厂设置；如果还是不行，最好送到官方售后去检测一下硬件。",
                               "这个问题一般是驱动程序版本不对造成的，到官网下载对应型号的最新驱动安装即可。",
                               "可以在设置里面找到相关选项，关闭之后再打开，注意保存修改，否则重启后会恢复原样。",
                               "具体要看你的使用场景，日常办公的话中端配置就足够了，玩大型游戏才需要更好的显卡。",
                               "我之前也遇到过同样的情况，后来清理了缓存和临时文件，速度明显快了很多，你可以试试。"};
    std::vector<std::string> out;
    for (int i = 0; i < 6; ++i) {
      std::string line;
      for (int k = 0; k < 4; ++k) line += sentences[(i + k) % 6];
      out.push_back(GbkFromUtf8(line));
    }
    return out;
  }();
  return excerpts[static_cast<size_t>(index) % excerpts.size()];
}

void AppendAnswer(std::string& page, const Answer& answer, long long serial, bool breakTitle) {
  static const std::string myAnswer = GbkFromUtf8("我的回答：");
  static const std::string agree = GbkFromUtf8("赞同 ");
  static const std::string hideText = GbkFromUtf8("隐藏");
  static const std::string viewText = GbkFromUtf8("查看");
  static const std::string descText = GbkFromUtf8("问题补充：详细情况见标题，求高手解答，谢谢！");
  static const std::string brokenRight = " </a> </p> <p class=\"question-desc\"";
  long long qid = 600000000 + serial * 7919;
  std::string qidText = Num(qid);
  std::string index = Num(serial);
  page += "<li class=\"answer-item clearfix\" data-qid=\"" + qidText + "\" data-time=\"" +
          Num(1700000000 - serial * 86400) + "\" data-log-area=\"answer-item\" data-log-index=\"" + index + "\">\n";
  page += "<div class=\"question-wrap\"><p class=\"question-title-wrap\"><a href=\"/question/" + qidText +
          ".html?fr=uhome&amp;entry=uhome_answer\" target=\"_blank\" data-log=\"qlink\" ";
  page += fixed::TitleLeft();
  page += answer.title;
  page += breakTitle ? brokenRight : fixed::TitleRight();
  page += ">" + descText + "</p></div>\n";
  page += "<div class=\"answer-text\" data-len=\"" +
          Num(static_cast<long long>(Excerpt(static_cast<int>(serial)).size())) + "\"><span class=\"answer-label\">" +
          myAnswer + "</span>" + Excerpt(static_cast<int>(serial)) + "</div>\n";
  page += "<div class=\"answer-meta\"><span class=\"answer-time\">2025-" + Num(1 + serial % 12) + "-" +
          Num(1 + serial % 28) + "</span> <span class=\"answer-agree\" data-num=\"" + Num(serial % 97) + "\">" + agree +
          Num(serial % 97) + "</span> <a href=\"javascript:;\" class=\"op-hide";
  page += fixed::AnswerIdLeft();
  page += answer.id;
  page += fixed::CheckCodeLeft();
  page += answer.checkCode;
  page += fixed::CheckCodeRight();
  page += "op-text\">" + hideText + "</span></a> <a href=\"/question/" + qidText + ".html#answer-" + answer.id +
          "\" class=\"op-view\">" + viewText + "</a></div>\n</li>\n";
}

std::string SimplePage(const std::string& titleUtf8, const std::string& bodyGbk) {
  return GbkFromUtf8(
             "<!DOCTYPE html>\n<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">\n"
             "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
             titleUtf8 +
             "</title>\n<style>body{margin:0;padding:8px;font:14px sans-serif;max-width:257px}"
             "input{box-sizing:border-box;width:100%;margin:4px 0;padding:6px;font-size:14px}"
             ".msg{color:#c00}</style>\n</head>\n<body>\n") +
         bodyGbk + "</body>\n</html>\n";
}

}  // namespace

std::string HtmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

Bytes AnswerListPage(const std::vector<const Answer*>& answers, int pageOffset, int breakTitleAt) {
  std::string page;
  page.reserve(72 * 1024);
  page += PageHead();
  if (answers.empty()) {
    page += "<div class=\"empty-tip\" data-log-area=\"empty\"><p class=\"empty-text\">";
    page += fixed::EndMarker();
    page += "</p></div>\n";
  } else {
    page += "<ul class=\"answer-list\" data-pn=\"" + Num(pageOffset) + "\">\n";
    for (size_t i = 0; i < answers.size(); ++i) {
      AppendAnswer(page, *answers[i], pageOffset + static_cast<long long>(i), static_cast<int>(i) == breakTitleAt);
    }
    page += "</ul>\n<div class=\"pager\">";
    if (pageOffset > 0) {
      page += "<a href=\"/uhome/answer?filter=1&amp;pn=" + Num(pageOffset >= 25 ? pageOffset - 25 : 0) +
              "\" class=\"pager-prev\">&lt;</a>";
    }
    page +=
        "<a href=\"/uhome/answer?filter=1&amp;pn=" + Num(pageOffset + 25) + "\" class=\"pager-next\">&gt;</a></div>\n";
  }
  page += PageFoot();
  return page;
}

Bytes LoginPage(const std::string& action, const Text& message) {
  std::string body = GbkFromUtf8("<h3>登录百度帐号</h3>\n");
  if (!message.empty()) body += "<p class=\"msg\">" + message + "</p>\n";
  body += "<form method=\"post\" action=\"" + HtmlEscape(action) + "\">\n";
  body += GbkFromUtf8(
      "<input type=\"text\" name=\"username\" placeholder=\"手机号/用户名/邮箱\" autocomplete=\"off\">\n"
      "<input type=\"password\" name=\"password\" placeholder=\"密码\">\n"
      "<input type=\"submit\" value=\"登录\">\n</form>\n");
  return SimplePage("百度帐号", body);
}

Bytes ReturnPage(const std::string& accountName) {
  std::string body;
  if (accountName.empty()) {
    body = GbkFromUtf8("<p>未登录</p>\n");
  } else {
    body = GbkFromUtf8("<p>已登录：") + HtmlEscape(accountName) + "</p>\n";
  }
  body += GbkFromUtf8("<p><a href=\"/uhome/answer?filter=1&amp;pn=0\">我的回答</a></p>\n");
  return SimplePage("百度知道", body);
}

Bytes PublisherPage(const std::string& path) {
  if (path == "/publisher/help") {
    return SimplePage("使用说明", GbkFromUtf8("<h3>使用说明</h3>\n<p>登录，获取所有回答记录，选中，隐藏。</p>\n"));
  }
  if (path == "/publisher/downloads") {
    return SimplePage("软件下载", GbkFromUtf8("<h3>更多软件下载</h3>\n<p>暂无。</p>\n"));
  }
  return SimplePage("Quillmere", GbkFromUtf8("<h3>Quillmere</h3>\n<p>发布者主页</p>\n"));
}

Bytes ErrorPage(int status) {
  return SimplePage("Error " + Num(status),
                    "<h3>Error " + Num(status) + "</h3>\n<p>The server could not serve this page.</p>\n");
}

Bytes RedirectPage(const std::string& location) {
  return SimplePage("302 Found", "<p><a href=\"" + HtmlEscape(location) + "\">" + HtmlEscape(location) + "</a></p>\n");
}

Bytes SubmitErrorReply(int errorNo) {
  return " { \"errorNo\" : \"" + Num(errorNo) + "\" ,\"data\" : {  } }";
}

}  // namespace site

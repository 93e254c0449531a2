// Extraction of one answer-list page (about 60 KB of GBK HTML, 25 answers)
// against a plain byte scanner over the same page, and the two long-line
// inputs that would make a naive lazy search quadratic.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "extract/extract_all_between.h"
#include "text/fixed_texts.h"
#include "text/gbk_text.h"

namespace {

struct Delimiters {
  const Text& left;
  const Text& right;
};

std::vector<Delimiters> PageDelimiters() {
  return {{fixed::AnswerIdLeft(), fixed::AnswerIdRight()},
          {fixed::CheckCodeLeft(), fixed::CheckCodeRight()},
          {fixed::TitleLeft(), fixed::TitleRight()}};
}

// A page shaped like the site's answer list: a long head with inline scripts
// and style, navigation links, 25 answer items carrying the three delimiter
// pairs among other data- attributes, Chinese titles and descriptions, and a
// footer with more script on long lines.
Text AnswerListPage() {
  const char* titles[] = {"如何评价这部电影的结局？",   "为什么秋天的叶子会变红",     "请问北京到上海的高铁要多久",
                          "家里的猫总是半夜叫怎么办",   "学习编程应该从哪门语言开始", "冬天手脚冰凉是什么原因",
                          "有哪些适合初学者的摄影技巧", "怎样才能养成早睡早起的习惯"};
  std::string html =
      "<!DOCTYPE html><html><head><meta charset=\"gbk\"><title>我的回答_百度知道</title>\n"
      "<link rel=\"stylesheet\" href=\"//static.example.com/css/uhome-answer-2c8f0a.css\">\n<style>";
  for (int i = 0; i < 60; ++i) {
    html += ".answer-item-" + std::to_string(i) + "{margin:0 0 12px;padding:8px 10px;border-bottom:1px solid #eee;}";
  }
  html += "</style>\n<script>window.__INITIAL_STATE__={\"user\":{\"uname\":\"测试用户\",\"isLogin\":true},\"conf\":{";
  for (int i = 0; i < 120; ++i) {
    html += "\"k" + std::to_string(i) + "\":\"v" + std::to_string(i * 7919) + "\",";
  }
  html +=
      "\"end\":0}};var _hmt=_hmt||[];(function(){var hm=document.createElement(\"script\");"
      "hm.src=\"https://hm.example.com/hm.js?0123456789abcdef\";var s=document.getElementsByTagName(\"script\")[0];"
      "s.parentNode.insertBefore(hm,s);})();</script>\n</head><body>\n<div class=\"nav\">";
  for (int i = 0; i < 30; ++i) {
    html += "<a href=\"https://zhidao.example.com/list?cid=" + std::to_string(100 + i) + "\" data-log=\"nav-" +
            std::to_string(i) + "\" class=\"nav-link\">分类" + std::to_string(i) + "</a> ";
  }
  html += "</div>\n<ul class=\"answer-list\">\n";
  for (int i = 0; i < 25; ++i) {
    const std::string qid = std::to_string(1'234'567'890LL + i * 97);
    const std::string aid = std::to_string(4'000'000'000LL + i * 131);
    const std::string code = "a" + std::to_string(9'876'543 + i * 17) + "f0e1d2c3b4a5";
    html += "<li class=\"answer-item answer-item-" + std::to_string(i) + "\" data-qid=\"" + qid + "\" data-rid=\"" +
            std::to_string(i) + "\" data-aid=\"" + aid + "\" data-checkcode=\"" + code +
            "\" >   <span class=\"answer-time\">2019-0" + std::to_string(1 + i % 9) + "-1" + std::to_string(i % 10) +
            "</span> <span class=\"answer-adopt\" data-type=\"best\">采纳</span>\n";
    html += "<p class=\"title-line\"><a href=\"https://zhidao.example.com/question/" + qid +
            ".html?fr=uhome&amp;sid=" + std::to_string(i) + "\" target=\"_blank\" class=\"question-title\"> " +
            titles[i % 8] + std::to_string(i) + " </a>  </p> <p class=\"question-desc\">";
    for (int k = 0; k < 6; ++k) html += "这是回答的摘要内容，包含一些说明文字和标点符号。";
    html += "</p>\n<div class=\"answer-ops\" data-aid-ref=\"" + aid +
            "\"><a href=\"javascript:;\" class=\"op-hide\" data-op=\"hide\">隐藏</a> "
            "<a href=\"https://zhidao.example.com/share?qid=" +
            qid +
            "\" data-log=\"share\">分享</a> "
            "<span data-count=\"" +
            std::to_string(i * 3) + "\" class=\"agree\">赞同</span></div></li>\n";
    html += "<script>F.use(\"uhome:widget/answer-item\",function(m){m.init({\"qid\":\"" + qid +
            "\",\"index\":" + std::to_string(i) + ",\"stat\":{\"pv\":" + std::to_string(i * 1000) +
            ",\"tag\":\"uhome_answer_list_item_render_complete\"}});});</script>\n";
  }
  html += "</ul>\n<div class=\"pager\"><a href=\"/uhome/answer?filter=1&amp;pn=25\" data-pn=\"25\">下一页</a></div>\n";
  std::string footer = "<script>";
  // The page is counted in UTF-8 here; the few hundred Chinese characters are a
  // third shorter in GBK.
  while (html.size() + footer.size() < 62 * 1024) {
    footer += "var cfg" + std::to_string(footer.size()) +
              "={\"module\":\"uhome\",\"page\":\"answer\",\"ver\":\"1.0.3\",\"cdn\":\"//static.example.com\"};";
  }
  html += footer + "</script>\n</body></html>\n";
  return GbkFromUtf8(html);
}

// The baseline: memmem for the left delimiter, then the nearest right one,
// which counts only when no line break comes first. Case-sensitive bytes.
int ScanBetween(const Text& text, const Text& left, const Text& right, std::vector<Text>& results) {
  results.clear();
  const char* begin = text.data();
  const char* end = begin + text.size();
  const char* at = begin;
  while (at < end) {
    const auto* l = static_cast<const char*>(memmem(at, end - at, left.data(), left.size()));
    if (!l) break;
    const char* inside = l + left.size();
    const auto* r = static_cast<const char*>(memmem(inside, end - inside, right.data(), right.size()));
    if (!r) break;
    if (std::memchr(inside, '\n', r - inside) || std::memchr(inside, '\r', r - inside)) {
      at = l + 1;
      continue;
    }
    results.emplace_back(inside, r);
    at = r + right.size();
  }
  return static_cast<int>(results.size());
}

const Text& Page() {
  static const Text page = AnswerListPage();
  return page;
}

void BM_ByteScannerPage(benchmark::State& state) {
  std::vector<Text> results;
  for (auto _ : state) {
    for (const Delimiters& d : PageDelimiters())
      benchmark::DoNotOptimize(ScanBetween(Page(), d.left, d.right, results));
  }
  state.counters["bytes"] = static_cast<double>(Page().size());
}
BENCHMARK(BM_ByteScannerPage);

void BM_ExtractPage(benchmark::State& state) {
  std::vector<Text> results;
  int found = 0;
  for (auto _ : state) {
    found = 0;
    for (const Delimiters& d : PageDelimiters()) found += ExtractAllBetween(Page(), d.left, d.right, results);
  }
  state.counters["results"] = found;
}
BENCHMARK(BM_ExtractPage);

Text LongLine(bool rightOnNextLine) {
  const Text& left = fixed::AnswerIdLeft();
  Text line;
  line.reserve(2 * 1024 * 1024 + 64);
  for (int i = 0; i < 10'000; ++i) {
    line += left;
    line.append(2 * 1024 * 1024 / 10'000 - left.size(), 'x');
  }
  if (rightOnNextLine) line += "\n" + fixed::AnswerIdRight();
  return line;
}

void BM_LongLineNoRight(benchmark::State& state) {
  const Text line = LongLine(false);
  std::vector<Text> results;
  for (auto _ : state) ExtractAllBetween(line, fixed::AnswerIdLeft(), fixed::AnswerIdRight(), results);
}
BENCHMARK(BM_LongLineNoRight)->Unit(benchmark::kMillisecond);

void BM_LongLineRightOnNextLine(benchmark::State& state) {
  const Text line = LongLine(true);
  std::vector<Text> results;
  for (auto _ : state) ExtractAllBetween(line, fixed::AnswerIdLeft(), fixed::AnswerIdRight(), results);
}
BENCHMARK(BM_LongLineRightOnNextLine)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time per iteration so the ratio can be printed.
class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        seconds[run.benchmark_name()] = run.real_accumulated_time / static_cast<double>(run.iterations);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::vector<Text> check;
  int extracted = 0;
  for (const Delimiters& d : PageDelimiters()) extracted += ExtractAllBetween(Page(), d.left, d.right, check);
  std::printf("page: %zu bytes, %d results from the three extractions\n", Page().size(), extracted);
  CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto scan = reporter.seconds.find("BM_ByteScannerPage");
  const auto extract = reporter.seconds.find("BM_ExtractPage");
  if (scan != reporter.seconds.end() && extract != reporter.seconds.end()) {
    std::printf("three extractions of one page: %.1f us, byte scanner %.1f us, ratio %.1fx (target <= 20x)\n",
                extract->second * 1e6, scan->second * 1e6, extract->second / scan->second);
    std::printf("pages per second: %.0f (target >= 1500)\n", 1.0 / extract->second);
  }
  for (const char* name : {"BM_LongLineNoRight", "BM_LongLineRightOnNextLine"}) {
    const auto it = reporter.seconds.find(name);
    if (it != reporter.seconds.end()) std::printf("%s: %.1f ms (target < 100 ms)\n", name, it->second * 1e3);
  }
  benchmark::Shutdown();
  return 0;
}

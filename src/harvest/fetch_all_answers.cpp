#include "harvest/fetch_all_answers.h"

#include <climits>
#include <vector>

#include "extract/extract_all_between.h"
#include "platform/site_config.h"
#include "platform/web_session.h"
#include "platform/window_services.h"
#include "text/fixed_texts.h"

namespace {

constexpr Control kList = Control::超级列表框1;

// The answers of one page, paired by their order in the page; empty when the
// page holds none or its three counts disagree.
struct PageAnswers {
  std::vector<Text> ids;
  std::vector<Text> checkCodes;
  std::vector<Text> titles;
};

PageAnswers ParsePage(const Text& page) {
  PageAnswers answers;
  const int n = ExtractAllBetween(page, fixed::AnswerIdLeft(), fixed::AnswerIdRight(), answers.ids);
  if (n == 0) return {};
  if (ExtractAllBetween(page, fixed::CheckCodeLeft(), fixed::CheckCodeRight(), answers.checkCodes) != n) return {};
  if (ExtractAllBetween(page, fixed::TitleLeft(), fixed::TitleRight(), answers.titles) != n) return {};
  return answers;
}

}  // namespace

void FetchAllAnswers() {
  ListDeleteAllRows(kList);
  SetEnabled(Control::按钮获取所有回答记录, false);
  SetEnabled(Control::按钮隐藏选中回答记录, false);
  SetCaption(Control::按钮获取所有回答记录, fixed::FetchBusyCaption());

  int32_t pageOffset = 0;
  int appended = 0;
  int fruitlessPages = 0;
  std::vector<Text> previousIds;
  for (;;) {
    const Text url = AnswerPageUrl(pageOffset);
    const Text first = TextOf(SimpleHttpGet(url));
    if (FindText(first, fixed::EndMarker()) != -1) break;
    // Nothing came back at all: the site is unreachable; asking on would only
    // keep the buttons disabled.
    if (first.empty()) break;

    const Text page = TextOf(SimpleHttpGet(url));
    PageAnswers answers = ParsePage(page);
    // A site that serves the same answers again will never reach the end.
    const bool repeated = !answers.ids.empty() && answers.ids == previousIds;
    if (!repeated) {
      for (size_t i = 0; i < answers.ids.size(); ++i) {
        ++appended;
        const int row = ListAppendRow(kList, DecimalText(appended));
        ListSetCellText(kList, row, 1, answers.titles[i]);
        ListSetCellText(kList, row, 2, answers.ids[i]);
        ListSetCellText(kList, row, 3, answers.checkCodes[i]);
        ListSetCellText(kList, row, 4, fixed::StatusFetched());
      }
    }
    SetCaption(Control::分组框1, fixed::GroupCaptionPrefix() + DecimalText(ListRowCount(kList)) + ")");

    if (repeated) break;
    fruitlessPages = answers.ids.empty() ? fruitlessPages + 1 : 0;
    if (fruitlessPages >= kMaxFruitlessPages) break;
    previousIds = std::move(answers.ids);
    if (pageOffset > INT32_MAX - fixed::kPageStep) break;
    pageOffset += fixed::kPageStep;
  }

  SetEnabled(Control::按钮获取所有回答记录, true);
  SetEnabled(Control::按钮隐藏选中回答记录, true);
  SetCaption(Control::按钮获取所有回答记录, fixed::FetchCaption());
}

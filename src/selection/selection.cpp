#include "selection/selection.h"

#include <vector>

#include "platform/window_services.h"
#include "text/fixed_texts.h"

std::atomic<int32_t> SelectionCount{0};

namespace {

constexpr Control kList = Control::超级列表框1;

void ShowCount(long long first, long long second) {
  SetCaption(Control::分组框1, fixed::GroupCaptionPrefix() + DecimalText(first) + "/" + DecimalText(second) + ")");
}

// The keyword text split at every ASCII comma: pieces in order, spaces kept, a
// comma at the very end adds no piece, a leading or doubled comma gives an
// empty piece. Without a comma the whole text is the one keyword.
std::vector<Text> KeywordList(const Text& keywordText) {
  std::vector<Text> keywords;
  Text piece;
  bool sawComma = false;
  for (size_t i = 0; i < keywordText.size(); ++i) {
    char c = keywordText[i];
    if (IsLeadByte(c) && i + 1 < keywordText.size()) {
      piece += c;
      piece += keywordText[++i];
    } else if (c == ',') {
      keywords.push_back(piece);
      piece.clear();
      sawComma = true;
    } else {
      piece += c;
    }
  }
  if (!sawComma || !piece.empty()) keywords.push_back(piece);
  return keywords;
}

}  // namespace

void OnRowCheckChanged(int /*row*/, int state) {
  if (state == 1) {
    ++SelectionCount;
  } else if (state == 0) {
    --SelectionCount;
  }
  ShowCount(SelectionCount.load(), ListRowCount(kList));
}

void ToggleSelectAll() {
  const bool ticking = GetChecked(Control::选择框全选反选) == 1;
  const int t = ListRowCount(kList);
  for (int row = 0; row < t; ++row) ListSetRowCheck(kList, row, ticking ? 1 : 0);
  SelectionCount = ticking ? t : 0;
  ShowCount(ticking ? t : 0, t);
}

void SelectByKeyword() {
  SetEnabled(Control::按钮一键选中, false);
  const Text keywordText = GetEditText(Control::编辑框关键字);
  if (ListRowCount(kList) > 0 && !keywordText.empty()) {
    for (const Text& keyword : KeywordList(keywordText)) {
      const int t = ListRowCount(kList);
      for (int row = 0; row < t; ++row) {
        const Text title = ListGetCellText(kList, row, 1);
        // Matched at character positions only; an empty keyword is in every non-empty title.
        if (title.empty() || FindText(title, keyword) == -1) continue;
        if (ListGetRowCheck(kList, row) != 1) {
          ListSetRowCheck(kList, row, 1);
          ++SelectionCount;
        }
        ShowCount(SelectionCount.load(), ListRowCount(kList));
      }
    }
  }
  SetEnabled(Control::按钮一键选中, true);
}

#include "hide/hide_selected_answers.h"

#include "http/web_access.h"
#include "platform/site_config.h"
#include "platform/window_services.h"
#include "selection/selection.h"
#include "text/fixed_texts.h"

namespace {

constexpr Control kList = Control::超级列表框1;

// One hide request; true only when the site answered with the exact success text.
bool HideAnswer(const Text& answerId, const Text& checkCode) {
  // Sent as it stands: no URL-encoding, the "+" is a literal plus sign.
  WebAccessParams params;
  params.method = 1;
  params.postData = fixed::HideBodyPrefix() + answerId + fixed::HideBodySeparator() + checkCode;
  Text url = HideEndpointUrl();
  return TextOf(WebAccess(url, params)) == fixed::HideSuccessReply();
}

}  // namespace

void HideSelectedAnswers() {
  SetEnabled(Control::按钮隐藏选中回答记录, false);
  SetEnabled(Control::按钮获取所有回答记录, false);
  SetCaption(Control::按钮隐藏选中回答记录, fixed::HideBusyCaption());
  // The position is left where an earlier run put it.
  SetProgressMaximum(Control::进度条1, SelectionCount.load());

  int n = ListRowCount(kList);
  if (n > 0) n = ListRowCount(kList);
  for (int row = 0; row < n; ++row) {
    // Read when the row is reached: ticks may change while the run goes on.
    if (ListGetRowCheck(kList, row) != 1) continue;
    ListEnsureVisible(kList, row);
    const Text answerId = ListGetCellText(kList, row, 2);
    const Text checkCode = ListGetCellText(kList, row, 3);
    if (answerId.empty() || checkCode.empty()) {
      ListSetCellText(kList, row, 4, fixed::StatusHideFailed());
      continue;
    }
    if (HideAnswer(answerId, checkCode)) {
      ListSetCellText(kList, row, 4, fixed::StatusHidden());
      SetProgressPosition(Control::进度条1, GetProgressPosition(Control::进度条1) + 1);
    } else {
      ListSetCellText(kList, row, 4, fixed::StatusHideFailed());
    }
    SetCaption(Control::分组框1, fixed::GroupCaptionPrefix() + DecimalText(GetProgressPosition(Control::进度条1)) +
                                     "/" + DecimalText(SelectionCount.load()) + ")");
  }

  SetEnabled(Control::按钮隐藏选中回答记录, true);
  SetEnabled(Control::按钮获取所有回答记录, true);
  SetCaption(Control::按钮隐藏选中回答记录, fixed::HideCaption());
  SelectionCount = 0;
}

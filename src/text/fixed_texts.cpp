#include "text/fixed_texts.h"

#define FIXED_TEXT(name, utf8)                  \
  const Text& name() {                          \
    static const Text text = GbkFromUtf8(utf8); \
    return text;                                \
  }

namespace fixed {

FIXED_TEXT(MainWindowTitle, "Quillmere")
FIXED_TEXT(LoginWindowTitle, "登录百度帐号")
FIXED_TEXT(LoginConfirmCaption, "我确认已经登录帐号,立即进入主界面")
FIXED_TEXT(HelpLinkCaption, ">>>> 点此查看软件使用说明 <<<<")
FIXED_TEXT(DownloadsLinkCaption, ">>>> 更多相关网络推广软件下载 <<<<")
FIXED_TEXT(GroupCaptionPrefix, "回答记录列表(")
FIXED_TEXT(GroupCaptionStart, "回答记录列表")
FIXED_TEXT(SelectAllCaption, "全选/反选")
FIXED_TEXT(KeywordLabelCaption, "选中包含该关键字的项目:")
FIXED_TEXT(SelectByKeywordCaption, "一键选中")
FIXED_TEXT(FetchCaption, "获取所有回答记录")
FIXED_TEXT(FetchBusyCaption, "获取中...")
FIXED_TEXT(HideCaption, "隐藏选中回答记录")
FIXED_TEXT(HideBusyCaption, "隐藏中...")

const Text& ColumnHeader(int column) {
  static const Text headers[] = {GbkFromUtf8("ID"), GbkFromUtf8("问题标题"), GbkFromUtf8("答案编号"),
                                 GbkFromUtf8("效验码"), GbkFromUtf8("处理状态")};
  static const Text none;
  return (column >= 0 && column < 5) ? headers[column] : none;
}

FIXED_TEXT(StatusFetched, "获取成功")
FIXED_TEXT(StatusHidden, "隐藏成功")
FIXED_TEXT(StatusHideFailed, "隐藏失败")

FIXED_TEXT(AnswerPagePath, "/uhome/answer?filter=1&pn=")
FIXED_TEXT(EndMarker, "您还没有回答过问题或回答已被全部隐藏")
FIXED_TEXT(AnswerIdLeft, "\" data-aid=\"")
FIXED_TEXT(AnswerIdRight, "\" data-checkcode=\"")
FIXED_TEXT(CheckCodeLeft, "\" data-checkcode=\"")
FIXED_TEXT(CheckCodeRight, "\" >   <span class=\"")
FIXED_TEXT(TitleLeft, "class=\"question-title\"> ")
FIXED_TEXT(TitleRight, " </a>  </p> <p class=\"question-desc\"")

FIXED_TEXT(HidePath, "/submit/user")
FIXED_TEXT(HideBodyPrefix, "cm=100121&co=")
FIXED_TEXT(HideBodySeparator, "+")
FIXED_TEXT(HideSuccessReply, " { \"errorNo\" : \"0\" ,\"data\" : { \"cm\" : \"100121\"      } }")

FIXED_TEXT(TimeoutMessage,
           "超时返回，指定网站不能访问，或者你的网络出现问题，你可以把参数中的＂超时返回＂的值设置长一些。")
FIXED_TEXT(DefaultAgent,
           "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727; .NET CLR 3.0.04506.648; "
           ".NET CLR 3.5.21022)")
FIXED_TEXT(SimpleGetAgent, "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)")
FIXED_TEXT(DefaultAcceptLine,
           "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
           "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n")
FIXED_TEXT(DefaultLanguageLine, "Accept-Language: zh-cn\r\n")
FIXED_TEXT(FormContentTypeLine, "Content-Type: application/x-www-form-urlencoded\r\n")

}  // namespace fixed

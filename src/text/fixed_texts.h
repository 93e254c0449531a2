#pragma once

#include "text/gbk_text.h"

// Every fixed text of the program, as GBK bytes, made once from the UTF-8
// source. Byte lengths that the site or the wire depend on are noted.
namespace fixed {

// Window captions and control texts.
const Text& MainWindowTitle();        // "Quillmere"
const Text& LoginWindowTitle();       // "登录百度帐号"
const Text& LoginConfirmCaption();    // "我确认已经登录帐号,立即进入主界面" (ASCII comma)
const Text& HelpLinkCaption();        // ">>>> 点此查看软件使用说明 <<<<"
const Text& DownloadsLinkCaption();   // ">>>> 更多相关网络推广软件下载 <<<<"
const Text& GroupCaptionPrefix();     // "回答记录列表("
const Text& GroupCaptionStart();      // "回答记录列表"
const Text& SelectAllCaption();       // "全选/反选"
const Text& KeywordLabelCaption();    // "选中包含该关键字的项目:"
const Text& SelectByKeywordCaption(); // "一键选中"
const Text& FetchCaption();           // "获取所有回答记录"
const Text& FetchBusyCaption();       // "获取中..."
const Text& HideCaption();            // "隐藏选中回答记录"
const Text& HideBusyCaption();        // "隐藏中..."
const Text& ColumnHeader(int column); // "ID", "问题标题", "答案编号", "效验码", "处理状态"

// Row statuses.
const Text& StatusFetched();     // "获取成功"
const Text& StatusHidden();      // "隐藏成功"
const Text& StatusHideFailed();  // "隐藏失败"

// The answer-list pages.
const Text& AnswerPagePath();    // "/uhome/answer?filter=1&pn="
const Text& EndMarker();         // 36 bytes
const Text& AnswerIdLeft();      // 12 bytes
const Text& AnswerIdRight();     // 18 bytes
const Text& CheckCodeLeft();     // 18 bytes
const Text& CheckCodeRight();    // 19 bytes
const Text& TitleLeft();         // 24 bytes
const Text& TitleRight();        // 36 bytes
constexpr int kPageStep = 25;

// The hide request.
const Text& HidePath();          // "/submit/user"
const Text& HideBodyPrefix();    // "cm=100121&co="
const Text& HideBodySeparator(); // "+"
const Text& HideSuccessReply();  // 55 bytes

// The request engine.
const Text& TimeoutMessage();    // 94 bytes
const Text& DefaultAgent();      // the request engine's own agent
const Text& SimpleGetAgent();    // the simple GET's agent
const Text& DefaultAcceptLine(); // ends in CR LF
const Text& DefaultLanguageLine();
const Text& FormContentTypeLine();

}  // namespace fixed

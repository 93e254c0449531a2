#pragma once

#include <string>
#include <vector>

#include "site/stand_in_site.h"
#include "text/gbk_text.h"

// The HTML the stand-in site serves, all GBK. The answer-list page carries
// realistic noise (scripts, styles, links, other "data-" attributes, long
// lines) that never contains a left delimiter of the three fields, in any
// letter case; each answer's id and check code share one line and its title
// stands on a line of its own, so no extraction has to span a line break.
namespace site {

// One page of answers (at most 25); empty: the page that holds the end marker.
// With `breakTitleAt` >= 0 that answer's title lacks its right delimiter.
Bytes AnswerListPage(const std::vector<const Answer*>& answers, int pageOffset, int breakTitleAt = -1);

// The mobile login form; `action` is the form's target (path and query),
// `message` a GBK notice shown above the form (empty: none).
Bytes LoginPage(const std::string& action, const Text& message);

// The page the login returns to; `accountName` empty: not logged in.
Bytes ReturnPage(const std::string& accountName);

// "/publisher/home", "/publisher/help", "/publisher/downloads".
Bytes PublisherPage(const std::string& path);

Bytes ErrorPage(int status);

// The small body of a 302 reply.
Bytes RedirectPage(const std::string& location);

// " { "errorNo" : "<code>" ,"data" : {  } }": the site's shape of a refused submit.
Bytes SubmitErrorReply(int errorNo);

// "&", "<", ">", '"' as entities.
std::string HtmlEscape(const std::string& text);

}  // namespace site

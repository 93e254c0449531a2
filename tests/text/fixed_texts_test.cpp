#include "text/fixed_texts.h"

#include <gtest/gtest.h>

namespace {

TEST(FixedTexts, ByteLengthsTheSiteAndWireDependOn) {
  const std::pair<const Text*, size_t> cases[] = {
      {&fixed::EndMarker(), 36},        {&fixed::HideSuccessReply(), 55}, {&fixed::TimeoutMessage(), 94},
      {&fixed::AnswerIdLeft(), 12},     {&fixed::AnswerIdRight(), 18},    {&fixed::CheckCodeLeft(), 18},
      {&fixed::CheckCodeRight(), 19},   {&fixed::TitleLeft(), 24},        {&fixed::TitleRight(), 36},
  };
  for (const auto& [text, length] : cases) EXPECT_EQ(text->size(), length) << Utf8FromGbk(*text);
}

TEST(FixedTexts, SuccessReplySpacingIsExact) {
  const Text& reply = fixed::HideSuccessReply();
  EXPECT_EQ(reply.front(), ' ');
  EXPECT_EQ(reply.back(), '}');
  EXPECT_NE(reply.find("\"100121\"      } }"), Text::npos);
}

TEST(FixedTexts, CaptionsAreGbk) {
  EXPECT_EQ(fixed::GroupCaptionPrefix(), GbkFromUtf8("回答记录列表("));
  EXPECT_EQ(fixed::GroupCaptionPrefix().size(), 13u);
  EXPECT_EQ(fixed::LoginConfirmCaption().find(','), 18u);  // the ASCII comma after nine characters
}

}  // namespace

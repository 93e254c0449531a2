#include "http/request_exchange.h"

#include <gtest/gtest.h>

#include "text/fixed_texts.h"

namespace {

RequestExchange SampleRecord() {
  return {"http://h/a", "POST", "", "X-A: 1\r\n", std::string("a\0b", 3), "", BoolText(true)};
}

TEST(RequestExchange, RecordsRoundTripWithZeroBytesAndEmptySlots) {
  const RequestExchange cases[] = {
      SampleRecord(),
      {},
      {"", "", "", "", "", "", ""},
      {std::string(100000, '\0')},
      {"one", "two", "three", "four", "five", "six", "seven", "eight", "nine"},
  };
  for (const RequestExchange& record : cases) {
    HandOverBuffer buffer;
    ASSERT_TRUE(buffer.Write(record));
    buffer.Rewind();
    std::optional<RequestExchange> back = buffer.Read();
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, record);
  }
}

TEST(RequestExchange, WriteStartsOverAndReadFollowsThePosition) {
  HandOverBuffer buffer;
  ASSERT_TRUE(buffer.Write({"a much longer first record", "with", "slots"}));
  ASSERT_TRUE(buffer.Write({"short"}));
  buffer.Rewind();
  EXPECT_EQ(buffer.Read(), RequestExchange{"short"});
  // Nothing follows the record: a second read fails and consumes nothing.
  EXPECT_FALSE(buffer.Read());
  buffer.Rewind();
  EXPECT_EQ(buffer.Read(), RequestExchange{"short"});
}

TEST(RequestExchange, AWriteThatDoesNotFitChangesNothing) {
  HandOverBuffer buffer(64);
  ASSERT_TRUE(buffer.Write({"kept"}));
  const Bytes before = buffer.Stream();
  EXPECT_FALSE(buffer.Write({std::string(40, 'x'), std::string(40, 'y')}));
  EXPECT_EQ(buffer.Stream(), before);
  buffer.Rewind();
  EXPECT_EQ(buffer.Read(), RequestExchange{"kept"});
}

TEST(RequestExchange, DamagedStreamsDoNotRead) {
  HandOverBuffer good;
  ASSERT_TRUE(good.Write(SampleRecord()));
  const Bytes stream = good.Stream();
  struct Case {
    const char* name;
    Bytes stream;
  };
  Bytes hugeCount = stream;
  hugeCount[3] = '\x7F';  // slot count far beyond what the stream holds
  Bytes hugeLength = stream;
  hugeLength[4 + 7] = '\x7F';  // first slot's length beyond the stream
  const Case cases[] = {
      {"empty", ""},
      {"count cut short", stream.substr(0, 3)},
      {"last slot cut short", stream.substr(0, stream.size() - 1)},
      {"slot count too large", hugeCount},
      {"slot length too large", hugeLength},
  };
  for (const Case& c : cases) {
    HandOverBuffer buffer;
    buffer.Stream() = c.stream;
    EXPECT_FALSE(buffer.Read()) << c.name;
  }
}

TEST(RequestExchange, TimeoutRecordHoldsTheMessageAlone) {
  RequestExchange record = TimeoutRecord();
  ASSERT_EQ(record.size(), 1u);
  EXPECT_EQ(record[0], fixed::TimeoutMessage());
  EXPECT_EQ(record[0].size(), 94u);
}

}  // namespace

// Dates in Japanese and Chinese (Simplified and Traditional), by class of form, against
// a fixed reference: Wednesday, 9 December 2026, 10:00 in Berlin. Each table gives the
// sentence, the text the date covers and its moment; the sentences of the last tables
// hold numbers that are no dates. Expected moments come from the C library's mktime.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "LocaleDates.h"

namespace {

using namespace localedates;

class DateCjk : public LocaleDatesTest {};

TEST_F(DateCjk, JapaneseWrittenDates) {
  expectPhrases("ja_JP", {
                             {"2027年3月12日（金）に会議", "2027年3月12日（金）", 2027, 3, 12},
                             {"3月12日(金)締切", "3月12日(金)", 2027, 3, 12},
                             {"12月25日 金曜日", "12月25日 金曜日", 2026, 12, 25},
                             {"二〇二七年三月十二日", "二〇二七年三月十二日", 2027, 3, 12},
                             {"十二月二十四日", "十二月二十四日", 2026, 12, 24},
                             {"来年3月に", "来年3月", 2027, 3, 1},
                             {"去年12月5日", "去年12月5日", 2025, 12, 5},
                             {"今年の3月12日", "今年の3月12日", 2026, 3, 12},
                             {"来月12日まで", "来月12日", 2027, 1, 12},
                             {"今月25日", "今月25日", 2026, 12, 25},
                             {"今月末までに", "今月末", 2026, 12, 31},
                             // A month and day with a slash: two figures of day, or a
                             // weekday or a time after.
                             {"12/25に", "12/25", 2026, 12, 25},
                             {"3/5（木）", "3/5（木）", 2027, 3, 5},
                             {"1/5 15:00開始", "1/5 15:00", 2027, 1, 5, 15},
                         });
}

TEST_F(DateCjk, JapaneseTimes) {
  expectPhrases("ja_JP", {
                             {"午後3時半に", "午後3時半", 2026, 12, 9, 15, 30},
                             {"午前10時", "午前10時", 2026, 12, 9, 10},
                             {"夕方5時に集合", "夕方5時", 2026, 12, 9, 17},
                             {"１５時３０分", "１５時３０分", 2026, 12, 9, 15, 30},
                             {"3時に会おう", "3時", 2026, 12, 9, 3},
                             {"今夜8時", "今夜8時", 2026, 12, 9, 20},
                             {"12月24日の夜8時", "12月24日の夜8時", 2026, 12, 24, 20},
                             {"明日午前10時", "明日午前10時", 2026, 12, 10, 10},
                             {"金曜日15時", "金曜日15時", 2026, 12, 11, 15},
                         });
}

TEST_F(DateCjk, JapaneseRelative) {
  expectPhrases("ja_JP", {
                             // ICU's words
                             {"明後日", "明後日", 2026, 12, 11},
                             {"一昨日", "一昨日", 2026, 12, 7},
                             {"来月", "来月", 2027, 1, 9},
                             {"昨年", "昨年", 2025, 12, 9},
                             // the file's
                             {"あさって行く", "あさって", 2026, 12, 11},
                             {"再来週", "再来週", 2026, 12, 23},
                             {"今週の金曜日", "今週の金曜日", 2026, 12, 11},
                             {"先週の月曜日", "先週の月曜日", 2026, 11, 30},
                             {"来週末", "来週末", 2026, 12, 19},
                             {"次の水曜日", "次の水曜日", 2026, 12, 16},  // not today
                             {"2日後の午後", "2日後の午後", 2026, 12, 11, 15},
                             {"2週間後", "2週間後", 2026, 12, 23},
                             {"3ヶ月前", "3ヶ月前", 2026, 9, 9},
                             {"半年後", "半年後", 2027, 6, 9},
                             {"3時間後に", "3時間後", kFromReference, 0, 3},
                             {"30分前", "30分前", kFromReference, 0, 0, 0, -30},
                         });
}

TEST_F(DateCjk, ChineseWrittenDates) {
  expectPhrases("zh_CN", {
                             {"3月12号开会", "3月12号", 2027, 3, 12},
                             {"2027年3月12日（星期五）", "2027年3月12日（星期五）", 2027, 3, 12},
                             {"3月12日(周五)", "3月12日(周五)", 2027, 3, 12},
                             {"十二月二十四号", "十二月二十四号", 2026, 12, 24},
                             {"明年3月份", "明年3月份", 2027, 3, 1},
                             {"下个月5号", "下个月5号", 2027, 1, 5},
                             {"下個月5號", "下個月5號", 2027, 1, 5},
                             {"本月20号", "本月20号", 2026, 12, 20},
                             // a month's start, middle and end
                             {"下个月初", "下个月初", 2027, 1, 1},
                             {"三月上旬", "三月上旬", 2027, 3, 1},
                             {"12月中旬", "12月中旬", 2026, 12, 15},
                             {"2月底之前", "2月底", 2027, 2, 28},
                             {"月底交", "月底", 2026, 12, 31},
                         });
}

TEST_F(DateCjk, ChineseTimes) {
  expectPhrases("zh_CN", {
                             {"下午三点一刻", "下午三点一刻", 2026, 12, 9, 15, 15},
                             {"上午十点半", "上午十点半", 2026, 12, 9, 10, 30},
                             {"晚上八点", "晚上八点", 2026, 12, 9, 20},
                             {"凌晨3点", "凌晨3点", 2026, 12, 9, 3},
                             {"三点钟见", "三点钟", 2026, 12, 9, 3},
                             {"下午3点15开始", "下午3点15", 2026, 12, 9, 15, 15},
                             {"今晚8点", "今晚8点", 2026, 12, 9, 20},
                             {"明天晚上8点半", "明天晚上8点半", 2026, 12, 10, 20, 30},
                             {"明天下午三點", "明天下午三點", 2026, 12, 10, 15},
                             {"后天中午12点", "后天中午12点", 2026, 12, 11, 12},
                             {"明天早上", "明天早上", 2026, 12, 10, 8},
                             {"3点见", "3点", 2026, 12, 9, 3},
                             {"我们约在十点。", "十点", 2026, 12, 9, 10},
                             {"3点之前", "3点", 2026, 12, 9, 3},
                         });
}

TEST_F(DateCjk, ChineseRelative) {
  expectPhrases("zh_CN", {
                             {"大后天", "大后天", 2026, 12, 12},
                             {"两周后", "两周后", 2026, 12, 23},
                             {"兩週後", "兩週後", 2026, 12, 23},
                             {"三个月后", "三个月后", 2027, 3, 9},
                             {"半个月后", "半个月后", 2026, 12, 24},
                             {"半年前", "半年前", 2026, 6, 9},
                             {"半个小时后", "半个小时后", kFromReference, 0, 0, 0, 30},
                             {"本周五", "本周五", 2026, 12, 11},
                             {"上個星期五", "上個星期五", 2026, 12, 4},
                             {"下个礼拜二", "下个礼拜二", 2026, 12, 15},
                             {"下周末", "下周末", 2026, 12, 19},
                             {"下个周末", "下个周末", 2026, 12, 19},
                             {"这个星期五晚上", "这个星期五晚上", 2026, 12, 11, 20},
                             {"周末去哪", "周末", 2026, 12, 12},
                             {"礼拜天", "礼拜天", 2026, 12, 13},
                             {"週三", "週三", 2026, 12, 9},
                         });
}

// A range is one date: its first moment, and its length to the last.
TEST_F(DateCjk, Ranges) {
  struct RangeRow {
    const char* locale;
    const char* text;
    int month, day, hour;
    double hours;
  };
  const RangeRow rows[] = {
      {"ja_JP", "3月12日から15日まで", 3, 12, 12, 72}, {"ja_JP", "15時から17時まで", 12, 9, 15, 2},
      {"zh_CN", "3月12日至15日", 3, 12, 12, 72},       {"zh_CN", "从3月12日到15日", 3, 12, 12, 72},
      {"zh_CN", "下午3点到5点", 12, 9, 15, 2},         {"zh_CN", "明天上午9点到11点", 12, 10, 9, 2},
  };
  for (const RangeRow& r : rows) {
    auto found = scan(r.locale, r.text);
    ASSERT_EQ(found.size(), 1u) << r.text;
    EXPECT_EQ(found[0].text, r.text);
    EXPECT_EQ(found[0].date, local(r.month == 12 ? 2026 : 2027, r.month, r.day, r.hour)) << r.text;
    EXPECT_EQ(found[0].duration, r.hours * 3600) << r.text;
  }
  // A last day before the first is no range: the first date alone.
  auto found = scan("zh_CN", "3月12日至10日");
  ASSERT_FALSE(found.empty());
  EXPECT_EQ(found[0].text, "3月12日");
}

TEST_F(DateCjk, NumbersThatAreNoDates) {
  expectNone("ja_JP", {
                          "3点セットで販売中",
                          "第3日目の朝",
                          "価格は300円です",
                          "3分の1が残った",
                          "3時間の会議",
                          "1日目は雨だった",
                          "5号室に来てください",
                          "試合は3対1で終わった",
                          "1/2の確率",
                          "3/4が賛成",
                          "初めて会った",
                          "1日3回服用してください",
                          "10日ほどかかります",
                          "2点の作品を出品",
                      });
  expectNone("zh_CN", {
                          "我有3点建议",
                          "三点意见",
                          "第三点很重要",
                          "第3日的比赛",
                          "这件衣服300元",
                          "三分之一的人",
                          "他考了95分",
                          "5号线地铁",
                          "他住在3号楼",
                          "价格是3.5元",
                          "3周年纪念",
                          "以下3点：",
                          "有三点，一是价格",
                          "这三点之外",
                          "以2点的优势获胜",
                      });
}

// The tables are built on first use, once, whichever thread comes first.
TEST_F(DateCjk, FirstUseFromManyThreads) {
  std::vector<std::thread> threads;
  std::vector<std::size_t> counts(4);
  for (std::size_t i = 0; i < counts.size(); ++i)
    threads.emplace_back([&, i] { counts[i] = scan("zh_CN", "明天下午3点和下周三").size(); });
  for (auto& t : threads) t.join();
  for (std::size_t n : counts) EXPECT_EQ(n, 2u);
}

}  // namespace

#include <gtest/gtest.h>

#include <sstream>

#include "runtime/fixed_operator.h"
#include "runtime/scripted_operator.h"

namespace ql {
namespace {

TEST(ScriptedOperator, AnswersInScriptOrderAndLogsEveryPrompt) {
  ScriptedOperator op;
  op.answerYesNo(true);
  op.answerSaveFile("/tmp/out.csv");
  op.answerYesNo(false);

  EXPECT_TRUE(op.askYesNo("提示", "同步时钟？"));
  op.showMessage("Info", "done");
  EXPECT_EQ(op.chooseSaveFile("Save", "/home/data.csv", {{"CSV files", "*.csv"}}), "/tmp/out.csv");
  EXPECT_FALSE(op.askYesNo("Erase", "Erase all?"));

  EXPECT_TRUE(op.unexpected().empty());
  EXPECT_EQ(op.unusedAnswers(), 0u);
  ASSERT_EQ(op.log().size(), 4u);
  EXPECT_EQ(op.log()[0].title, "提示");
  EXPECT_EQ(op.log()[0].text, "同步时钟？");
  EXPECT_EQ(op.log()[0].answer, "yes");
  EXPECT_EQ(op.log()[2].text, "/home/data.csv");
  const auto messages = op.prompts(PromptKind::Message);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "done");
}

TEST(ScriptedOperator, UnscriptedOrMismatchedPromptIsRecordedAndGetsTheSafeDefault) {
  ScriptedOperator op;
  EXPECT_FALSE(op.askYesNo("Erase", "Erase all?"));
  EXPECT_EQ(op.chooseOpenFile("Open", "/home", {}), "");
  op.answerSaveFile("/tmp/a.csv");
  EXPECT_FALSE(op.askYesNo("Sync", "Sync clock?")) << "a save answer never answers a question";

  ASSERT_EQ(op.unexpected().size(), 3u);
  EXPECT_NE(op.unexpected()[0].find("Erase all?"), std::string::npos);
  EXPECT_NE(op.unexpected()[2].find("save-file dialog"), std::string::npos);
  EXPECT_EQ(op.unusedAnswers(), 1u) << "the mismatched answer stays in the script";
  EXPECT_EQ(op.chooseSaveFile("Save", "", {}), "/tmp/a.csv");
}

TEST(FixedOperator, AnswersEveryQuestionAlikeReportsAndCancelsDialogs) {
  std::ostringstream out;
  FixedOperator op(true, out);
  EXPECT_TRUE(op.askYesNo("Sync", "Sync clock?"));
  op.showMessage("Info", "12 files");
  EXPECT_EQ(op.chooseOpenFile("Open", "/home", {}), "");
  EXPECT_EQ(op.chooseSaveFile("Save", "/home/a.csv", {}), "");
  EXPECT_EQ(out.str(), "Sync: Sync clock? -> Yes\nInfo: 12 files\n");

  std::vector<std::string> seen;
  FixedOperator no(
      false, [&](const std::string& title, const std::string& text) { seen.push_back(title + "|" + text); });
  EXPECT_FALSE(no.askYesNo("Erase", "Erase all?"));
  EXPECT_EQ(seen, (std::vector<std::string>{"Erase|Erase all? -> No"}));
}

}  // namespace
}  // namespace ql

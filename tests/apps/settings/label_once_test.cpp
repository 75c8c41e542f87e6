// A process that has the rich text label and then loads the settings bundle, as `nimbra
// settings` does, holds one copy of the label: the bundle uses the class this process
// already has, and the runtime reports no second registration.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "RunCommand.h"
#include "SettingsHost.h"
#include "TTTAttributedLabel.h"
#include "TempHome.h"
#include "objc/report.h"

namespace {

std::vector<std::string> reports;
void recordReport(std::string_view line) {
  reports.emplace_back(line);
}

}  // namespace

TEST(LabelOnce, TheBundleUsesTheLabelClassOfTheProcess) {
  TempHome home;
  objc::ReportHandler previous = objc::setReportHandler(&recordReport);
  Class ours = TTTAttributedLabel::class_();
  settingshost::Host host{NIMBRA_ROOT};
  std::string error;
  ASSERT_TRUE(host.start(&error)) << error;
  // The pane's thanks row holds a label made by the bundle's code.
  ASSERT_TRUE(host.run({"tap", {"Nimbra"}}, &error)) << error;
  objc::setReportHandler(previous);
  EXPECT_EQ(objc_getClass("TTTAttributedLabel"), ours);
  EXPECT_TRUE(reports.empty()) << reports.front();
}

TEST(LabelOnce, TheCommandReportsNoSecondClass) {
  TempHome home;
  testcommand::Result r = testcommand::run(std::string(NIMBRA_BUILD_DIR) +
                                           "/apps/nimbra settings --tap Nimbra --screenshot " +
                                           home.path() + "/pane.png 2>&1");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.find("registered twice"), std::string::npos) << r.out;
}

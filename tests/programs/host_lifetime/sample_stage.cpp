#include "tests/programs/host_lifetime/sample_stage.h"

#include <gtest/gtest.h>

#include "host/host_functions.h"
#include "platform/files.h"
#include "strings/strings.h"

namespace hakobune_test {

namespace {
std::string Sample(const std::string& name) {
  std::string contents;
  EXPECT_TRUE(kanadeya::platform::ReadWholeFile(KANADEYA_EXAMPLES + name, contents)) << name;
  return contents;
}
}  // namespace

SampleStage::SampleStage() : codes_(Sample("codes.txt")) {
  for (const char* name : {"AuthDB.dat", "LabelsDB.dat"})
    data_.Write(name, Sample("data/" + std::string(name)));
  hakobune::HostSettings settings;
  settings.site_dir = KANADEYA_EXAMPLES "site";
  settings.show_progress = false;
  settings.code_count = kanadeya::CountTextLines(codes_);
  hakobune::ConfigureHost(settings);
}

std::string SampleStage::TakeOutput() const {
  std::string contents;
  kanadeya::platform::ReadWholeFile(Output(), contents);
  kanadeya::platform::DeleteFileAt(Output());
  return contents;
}

}  // namespace hakobune_test

// The sample catalogue staged for a host that runs it: a data directory of
// its own holding copies of the sample data files, the sample code list, and
// this program's host functions serving the sample site folder.
#pragma once

#include <string>

#include "tests/support/temp_dir.h"

namespace hakobune_test {

class SampleStage {
 public:
  SampleStage();

  const std::string& DataDir() const { return data_.path(); }
  std::string Output() const { return data_.File("books.csv"); }
  const std::string& Codes() const { return codes_; }
  // The import file's bytes ("" when there is none), which is then deleted.
  std::string TakeOutput() const;

 private:
  kanadeya::test::TempDir data_;
  std::string codes_;
};

}  // namespace hakobune_test

// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <string>
#include <string_view>

namespace kanadeya::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder's path with a trailing separator, as a data directory is given.
  const std::string& path() const { return path_; }
  // path() + name.
  std::string File(std::string_view name) const { return path_ + std::string(name); }
  // Writes `contents` to path() + name.
  void Write(std::string_view name, std::string_view contents) const;
  // The contents of path() + name; empty when it cannot be read.
  std::string Read(std::string_view name) const;
  bool Exists(std::string_view name) const;

 private:
  std::string path_;
};

}  // namespace kanadeya::test

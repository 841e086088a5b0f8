// Files of the native tool tests: whole files read and written.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

inline std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// Writes `bytes` to `path`, making its folders first.
inline void Write(const std::string& path, const std::string& bytes) {
  ASSERT_EQ(std::system(("mkdir -p '" + path.substr(0, path.rfind('/')) + "'").c_str()), 0);
  std::ofstream(path, std::ios::binary) << bytes;
}

// A workbook as text, read back by openpyxl (tests/xlsx_dump.py).
#pragma once

#include <cstdio>
#include <string>

namespace krt::test {

inline std::string xlsxDump(const std::string& path) {
  const std::string command = "/usr/bin/python3 '" KRT_SOURCE_DIR "/tests/xlsx_dump.py' '" + path + "' 2>&1";
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    ::pclose(pipe);
  }
  return out;
}

}  // namespace krt::test

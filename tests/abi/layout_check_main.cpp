// The layout check as a program, for the Windows build under Wine: prints each fact that does not
// hold, and exits with 1 when any does not.
#include <cstdio>

#include "layout_check.h"

int main() {
  const int mismatches =
      plenorium::abi::checkPublishedLayout([](const std::string& what) { std::printf("%s\n", what.c_str()); });
  std::printf("%d differences from the published layout\n", mismatches);
  return mismatches == 0 ? 0 : 1;
}

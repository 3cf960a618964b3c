// The machine's own environment variables and code page, never the host's.
#include "kit/kit.h"

namespace {

class Environment : public kit::MachineTest {
 protected:
  void SetUp() override {
    winsim::SetEnvironment({{"SystemRoot", "C:\\Windows"}, {"TEMP", "C:\\Temp"}, {"EMPTY", ""}});
  }
};

TEST_F(Environment, VariablesAreTheMachinesFoundWithoutRegardToCase) {
  char buffer[64];
  EXPECT_EQ(GetEnvironmentVariableA("systemroot", buffer, sizeof buffer), 10u);
  EXPECT_STREQ(buffer, "C:\\Windows");
  // Too small a buffer: the size needed with the NUL, nothing written.
  buffer[0] = 'x';
  EXPECT_EQ(GetEnvironmentVariableA("TEMP", buffer, 7), 8u);
  EXPECT_EQ(buffer[0], 'x');
  SetLastError(0);
  EXPECT_EQ(GetEnvironmentVariableA("HOME", buffer, sizeof buffer), 0u);  // the host's is not seen
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
  EXPECT_EQ(GetACP(), 1252u);
  winsim::SetCodePage(932);
  EXPECT_EQ(GetACP(), 932u);
}

TEST_F(Environment, ExpansionReplacesDefinedReferencesOnly) {
  struct Case {
    const char* source;
    const char* expanded;
  } cases[] = {
      {"%SystemRoot%\\system32", "C:\\Windows\\system32"},
      {"%temp%;%TEMP%", "C:\\Temp;C:\\Temp"},
      {"%UNDEFINED%\\x", "%UNDEFINED%\\x"},
      {"100% sure", "100% sure"},
      {"%%", "%%"},
      {"%EMPTY%.", "."},
  };
  for (const Case& c : cases) {
    char buffer[128];
    DWORD needed = ExpandEnvironmentStringsA(c.source, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, c.expanded) << c.source;
    EXPECT_EQ(needed, std::string(c.expanded).size() + 1) << c.source;
  }
  char small[4] = "abc";
  EXPECT_EQ(ExpandEnvironmentStringsA("%SystemRoot%", small, sizeof small), 11u);
  EXPECT_STREQ(small, "abc");
}

}  // namespace

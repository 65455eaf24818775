#include "ExpectedHelpText.h"
#include "MessageBoxWatcher.h"
#include "TestSupport.h"
#include "app/UtqCmd.h"
#include "writer/Cp1251.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

using NQuillo::Utf8ToCp1251;

namespace {
std::string ExpectedHelp() {
  const std::vector<std::string> lines = ExpectedHelpLines();
  std::string text = Utf8ToCp1251(lines.front());
  for (std::size_t i = 1; i < lines.size(); ++i) text += "\r" + Utf8ToCp1251(lines[i]);
  return text;
}

constexpr const char* ChildOutput = "QUILLO_CMD_CHILD_OUTPUT";
} // namespace

TEST(CommandLineBoxes, HelpThenParsingGoesOnThenTheErrorBox) {
  ASSERT_EQ(GetACP(), 1251u) << "the Russian texts need the ANSI code page 1251";
  TStartOptions options;
  std::vector<TSeenBox> seen;
  {
    TMessageBoxWatcher watcher;
    ParseArguments({"/?", "/size", "800", "600", "/segm", "x", "/pos", "c"}, 1024, 768, options,
                   CommandLineMessageBoxes());
    seen = watcher.Seen();
  }
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].Caption, Utf8ToCp1251("Параметры запуска Quillo v1.5"));
  EXPECT_EQ(seen[0].Text, ExpectedHelp());
  EXPECT_EQ(seen[0].Icon, LoadIconA(nullptr, IDI_INFORMATION));
  EXPECT_EQ(seen[0].Owner, nullptr);

  EXPECT_EQ(seen[1].Caption, Utf8ToCp1251("Ошибка"));
  EXPECT_EQ(seen[1].Text, Utf8ToCp1251("Неверный формат командной строки"));
  EXPECT_EQ(seen[1].Icon, LoadIconA(nullptr, IDI_ERROR));
  EXPECT_EQ(seen[1].Owner, nullptr);

  // The size after the help box was read; the error stopped before "/pos c", unclamped.
  EXPECT_EQ(options.StartWidth, 800);
  EXPECT_EQ(options.StartHeight, 600);
  EXPECT_EQ(options.StartX, 0);
  EXPECT_EQ(options.StartSegmentNumber, 1);
}

// Run as a child process by the test below: parses its own command line and writes what the
// runtime split and what the parser made of it.
TEST(CommandLineChild, ReportsItsArguments) {
  const char* out = std::getenv(ChildOutput);
  if (out == nullptr) GTEST_SKIP() << "only meaningful as the child of ProgramArguments";
  ParseCommandLine();
  std::ofstream file(out, std::ios::binary);
  for (const std::string& a : ProgramArguments())
    file << '[' << a << "]\n";
  file << StartOptions.StartX << ' ' << StartOptions.StartY << ' ' << StartOptions.StartWidth << ' '
       << StartOptions.StartHeight << ' ' << StartOptions.StartSegmentNumber << ' '
       << StartOptions.CloseOnFinish << '\n';
}

TEST(ProgramArguments, QuotedArgumentsKeepTheirBlanks) {
  TScratchFolder temp;
  const std::string output = temp / "child.txt";
  char self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  std::string command = std::string("\"") + self +
                        "\" --gtest_filter=CommandLineChild.ReportsItsArguments "
                        "\"C:\\My Films\\a b.tqf\" -SIZE 800 600 /pos c \"/segm\" \" 3\" "
                        "say\\\"hi -closeonfinish";
  ASSERT_TRUE(SetEnvironmentVariableA(ChildOutput, output.c_str()));
  STARTUPINFOA start{};
  start.cb = sizeof start;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &start, &process);
  SetEnvironmentVariableA(ChildOutput, nullptr);
  ASSERT_TRUE(started);
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(code, 0u);

  std::ifstream in(output, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "[--gtest_filter=CommandLineChild.ReportsItsArguments]\n"
                        "[C:\\My Films\\a b.tqf]\n[-SIZE]\n[800]\n[600]\n[/pos]\n[c]\n"
                        "[/segm]\n[ 3]\n[say\"hi]\n[-closeonfinish]\n"
                        "112 84 800 600 3 1\n");
}

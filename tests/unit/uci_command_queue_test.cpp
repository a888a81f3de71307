// The input reader and its queue: order, pieces of long lines, and no line
// ever lost however far the main thread falls behind.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "uci/command_queue.h"

namespace {

std::FILE* input_of(const std::string& text) {
  std::FILE* f = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), f);
  std::rewind(f);
  return f;
}

std::vector<std::string> drain() {
  std::vector<std::string> lines;
  static char buffer[QUEUE_SLOT_SIZE];
  while (queue_pop(buffer)) lines.emplace_back(buffer);
  return lines;
}

}  // namespace

TEST(CommandQueue, LinesArriveInOrderWithTheirLineEnds) {
  drain();
  std::FILE* in = input_of("uci\nisready\r\n\nquit\n");
  input_reader_loop(in);
  std::fclose(in);
  std::vector<std::string> lines = drain();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "uci\n");
  EXPECT_EQ(lines[1], "isready\r\n");  // queued unchanged; the interpreter cuts it
  EXPECT_EQ(lines[2], "\n");           // a blank line is a lone line end
  EXPECT_EQ(lines[3], "quit\n");
  char buffer[QUEUE_SLOT_SIZE];
  EXPECT_FALSE(queue_pop(buffer));
}

TEST(CommandQueue, LongLineArrivesInThreePieces) {
  drain();
  std::string line(20000, 'x');
  std::FILE* in = input_of(line + "\n");
  input_reader_loop(in);
  std::fclose(in);
  std::vector<std::string> pieces = drain();
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0].size(), 8190u);
  EXPECT_EQ(pieces[1].size(), 8190u);
  EXPECT_EQ(pieces[2], std::string(20000 - 2 * 8190, 'x') + "\n");
}

TEST(CommandQueue, LastLineWithoutLineEnd) {
  drain();
  std::FILE* in = input_of("go\nstop");
  input_reader_loop(in);
  std::fclose(in);
  std::vector<std::string> lines = drain();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "stop");
}

TEST(CommandQueue, BurstOfAThousandLinesLosesNone) {
  drain();
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "line " + std::to_string(i) + "\n";
  std::FILE* in = input_of(text);
  // The reader runs ahead of a consumer that takes nothing for a while: the
  // ring fills up and the reader must wait instead of overwriting.
  std::thread reader([in] { input_reader_loop(in); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(queue_size(), QUEUE_SLOTS - 1);
  std::vector<std::string> lines;
  char buffer[QUEUE_SLOT_SIZE];
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (lines.size() < 1000 && std::chrono::steady_clock::now() < deadline) {
    if (queue_pop(buffer))
      lines.emplace_back(buffer);
    else
      std::this_thread::yield();
  }
  reader.join();
  std::fclose(in);
  ASSERT_EQ(lines.size(), 1000u);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(lines[i], "line " + std::to_string(i) + "\n");
  EXPECT_TRUE(drain().empty());
}

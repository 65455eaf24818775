// Reads back the message boxes that the thread under test shows, from the real box windows,
// and closes each with its OK button.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct TSeenBox {
  std::string Caption;
  std::string Text;
  HICON Icon = nullptr; // the picture of the box's icon control, if it has one
  HWND Owner = nullptr;
};

class TMessageBoxWatcher {
public:
  // Watches the boxes of the calling thread until the watcher goes.
  TMessageBoxWatcher();
  TMessageBoxWatcher(const TMessageBoxWatcher&) = delete;
  TMessageBoxWatcher& operator=(const TMessageBoxWatcher&) = delete;
  ~TMessageBoxWatcher();

  std::vector<TSeenBox> Seen();

private:
  void Watch();
  DWORD FThread;
  std::atomic<bool> FStop{false};
  std::mutex FLock;
  std::vector<TSeenBox> FSeen;
  std::thread FWatcher;
};

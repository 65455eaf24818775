#include "MainForm.h"

#include "UtqCmd.h"
#include "engine/UtqPlayerState.h"
#include "movie/tqClasses.h"
#include "movie/tqSegments.h"

TRect SegmentListBounds(std::int32_t clientWidth, std::int32_t clientHeight, bool panelVisible) {
  (void)clientWidth;
  return TRect{0, 0, SegmentListWidth, panelVisible ? clientHeight - PanelHeight : clientHeight};
}

TRect PanelBounds(std::int32_t clientWidth, std::int32_t clientHeight) {
  return TRect{0, clientHeight - PanelHeight, clientWidth, clientHeight};
}

bool PanelShownForMouse(std::uint16_t mouseY, std::int32_t clientHeight) {
  const std::int32_t distance = clientHeight - static_cast<std::int32_t>(mouseY);
  return (distance < 0 ? -distance : distance) < PanelAutoShowDistance;
}

void ApplyMinimumSize(TRect& window) {
  if (window.Right - window.Left < MinWindowWidth) window.Right = window.Left + MinWindowWidth;
  if (window.Bottom - window.Top < MinWindowHeight) window.Bottom = window.Top + MinWindowHeight;
}

TSavedPlacement PlacementOf(const TRect& window, bool panelVisible) {
  return TSavedPlacement{window.Left, window.Top, window.Right - window.Left,
                         window.Bottom - window.Top, panelVisible};
}

TCommandStates CommandStatesFor(std::uint8_t playState, bool openEnabled, bool panelVisible,
                                bool fullScreen) {
  TCommandStates s;
  s.OpenEnabled = playState == psStopped && openEnabled;
  s.PlayChecked = playState == psPlaying;
  s.PauseChecked = playState == psPaused;
  s.StopChecked = playState == psStopped;
  s.PanelChecked = panelVisible;
  s.FullScreenChecked = fullScreen;
  return s;
}

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* const InitialTitle = "Quillo v1.5";

std::string MainTitle(const std::string& name) {
  return std::string(InitialTitle) + " - [" + name + "]";
}

std::string HelpBoxText() {
  // "Справочная информация о Quillo v1.5" / "доступна на сайте разработчика"
  return "\xD1\xEF\xF0\xE0\xE2\xEE\xF7\xED\xE0\xFF \xE8\xED\xF4\xEE\xF0\xEC\xE0\xF6\xE8\xFF \xEE "
         "Quillo v1.5\r\xE4\xEE\xF1\xF2\xF3\xEF\xED\xE0 \xED\xE0 \xF1\xE0\xE9\xF2\xE5 "
         "\xF0\xE0\xE7\xF0\xE0\xE1\xEE\xF2\xF7\xE8\xEA\xE0\r\rhttps://quillo.example.org/\r";
}

std::string FileInfoText(const std::string& programPath, const TSegmentList& segments,
                         const std::string& lineFormat) {
  // "Количество сегментов: "
  std::string text = programPath +
                     "\r\r\xCA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE "
                     "\xF1\xE5\xE3\xEC\xE5\xED\xF2\xEE\xE2: " +
                     std::to_string(segments.Count()) + "\r\r";
  for (std::int32_t i = 0; i < segments.Count(); ++i) {
    const TSegmentInfo& s = *segments.Get(i);
    text += Format(lineFormat.c_str(), s.Name.c_str(), s.Width, s.Height,
                   static_cast<int>(s.BitsPerPixel), static_cast<int>(s.FramesPerSecond));
  }
  return text;
}

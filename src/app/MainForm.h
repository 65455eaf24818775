// The main window's arithmetic and texts: where its children go, how far it may shrink, what
// its menus show in each play state, and the texts of its title and boxes.
#pragma once

#include "engine/UtqDisplay.h" // PanelHeight
#include "ui/UtqCommon.h"

#include <cstdint>
#include <string>

class TSegmentList;

constexpr std::int32_t SegmentListWidth = 400;
// The panel appears while the mouse is closer than this to the client area's bottom edge.
constexpr std::int32_t PanelAutoShowDistance = 16;

// The segment list at the left edge, above the panel when the panel is on.
TRect SegmentListBounds(std::int32_t clientWidth, std::int32_t clientHeight, bool panelVisible);
// The panel along the bottom edge.
TRect PanelBounds(std::int32_t clientWidth, std::int32_t clientHeight);
// Whether the panel, switched off, shows for the mouse at y (the message's unsigned word).
bool PanelShownForMouse(std::uint16_t mouseY, std::int32_t clientHeight);

// Holds a window being dragged at 600 x 400 at least: the right and bottom edges move, whatever
// edge the user drags.
void ApplyMinimumSize(TRect& window);

// The window's place to return to: its true extent, so a round trip through full-screen mode
// leaves the window as it was.
struct TSavedPlacement {
  std::int32_t X = 0, Y = 0, Width = 0, Height = 0;
  bool PanelVisible = true;
};
TSavedPlacement PlacementOf(const TRect& window, bool panelVisible);

// What the menus show. Positions: File 0 and context 0 are Open; Actions 0 to 2 and context
// 2 to 4 are Play, Pause and Stop; View 0 / context 10 the panel; View 1 / context 11 full screen.
struct TCommandStates {
  bool OpenEnabled = false;
  bool PlayChecked = false, PauseChecked = false, StopChecked = false;
  bool PanelChecked = false, FullScreenChecked = false;
};
TCommandStates CommandStatesFor(std::uint8_t playState, bool openEnabled, bool panelVisible,
                                bool fullScreen);

// The file name after the last folder separator.
std::string FileNameOf(const std::string& path);
// "Quillo v1.5 - [name]".
std::string MainTitle(const std::string& name);
extern const char* const InitialTitle;
// The help box's text, ending with the maker's address.
std::string HelpBoxText();

// The file information text: the program's path, the segment count, then one line per segment
// made from lineFormat (the string table's "%s:  [%d x %d x %d бит / %d fps]\r").
std::string FileInfoText(const std::string& programPath, const TSegmentList& segments,
                         const std::string& lineFormat);

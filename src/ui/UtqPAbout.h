// Places in the about box, in proportion to its client area (integer division throughout).
#pragma once

#include "ui/UtqCommon.h"

#include <cstdint>

struct TAboutLayout {
  TPoint Icon;
  TPoint Title;
  TPoint TitleShadow; // drawn first, two pixels down and right of the title
  TPoint Version;
  TRect Notice;
  TRect Link; // left, top, width and height of the link strip window
  TPoint SeparatorFrom;
  TPoint SeparatorTo;
  TRect CloseButton; // left, top, width and height of the close button window
};

TAboutLayout AboutLayout(std::int32_t width, std::int32_t height);
